#include "analysis/ResultLine.h"

#include "io/RunError.h"
#include "io/TextReader.h"

namespace vk {

namespace {

bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

void skipBlanks(const std::string& s, std::size_t& p) {
  while (p < s.size() && isBlank(s[p])) ++p;
}

// From the opening quote at p to just past the closing one, into text.
void quotedField(const std::string& s, std::size_t& p, std::string& text) {
  text.clear();
  ++p;
  while (p < s.size()) {
    const std::size_t quote = s.find('"', p);
    if (quote == std::string::npos) break;
    text.append(s, p, quote - p);
    if (quote + 1 < s.size() && s[quote + 1] == '"') {
      text += '"';
      p = quote + 2;
      continue;
    }
    p = quote + 1;
    return;
  }
  text.append(s, p, std::string::npos);
  p = s.size();
}

void plainField(const std::string& s, std::size_t& p, char delimiter, std::string& text) {
  const std::size_t start = p;
  while (p < s.size() && !isBlank(s[p]) && s[p] != delimiter) ++p;
  text.assign(s, start, p - start);
}

bool hasBlankEnds(const std::string& s) { return !s.empty() && (isBlank(s.front()) || isBlank(s.back())); }

std::string trimmed(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// Blanks around a number are allowed; the copy is made only when there are some.
bool readsAsInt(const std::string& s, int& value) {
  return hasBlankEnds(s) ? parseInt(trimmed(s), value) : parseInt(s, value);
}

bool readsAsReal(const std::string& s, double& value) {
  return hasBlankEnds(s) ? parseReal(trimmed(s), value) : parseReal(s, value);
}

[[noreturn]] void failConversion(const std::string& text, const char* kind, const std::string& where) {
  throw RunError(quoted(text) + " is not a valid " + kind + " value (" + where + ")");
}

std::string lineOf(const std::string& file, int line) { return file + ", line " + std::to_string(line); }

const std::string& fieldOrFail(const std::vector<std::string>& fields, int i, const std::string& file, int line) {
  if (i < 0 || static_cast<std::size_t>(i) >= fields.size())
    throw RunError("Field " + std::to_string(i) + " is missing: the line holds " + std::to_string(fields.size()) +
                   " field" + (fields.size() == 1 ? "" : "s") + " (" + lineOf(file, line) + ")");
  return fields[static_cast<std::size_t>(i)];
}

// Fills fields in place: a summary splits millions of lines, and reusing the
// strings of the previous line saves building new ones.
void splitInto(const std::string& line, char delimiter, std::vector<std::string>& fields) {
  std::size_t count = 0;
  const auto nextField = [&fields, &count]() -> std::string& {
    if (count == fields.size()) fields.emplace_back();
    return fields[count++];
  };
  std::size_t p = 0;
  skipBlanks(line, p);
  while (p < line.size()) {
    std::string& field = nextField();
    if (line[p] == '"')
      quotedField(line, p, field);
    else
      plainField(line, p, delimiter, field);
    skipBlanks(line, p);
    if (p < line.size() && line[p] == delimiter) {
      ++p;
      skipBlanks(line, p);
      if (p == line.size()) nextField().clear();
    }
  }
  fields.resize(count);
}

}  // namespace

std::vector<std::string> splitDelimited(const std::string& text, char delimiter) {
  std::vector<std::string> fields;
  splitInto(text, delimiter, fields);
  return fields;
}

std::vector<std::string> splitResultLine(const std::string& line) { return splitDelimited(line, ','); }

void splitResultLine(const std::string& line, std::vector<std::string>& fields) { splitInto(line, ',', fields); }

int intFromText(const std::string& text, const std::string& where) {
  int value = 0;
  if (!readsAsInt(text, value)) failConversion(text, "integer", where);
  return value;
}

double realFromText(const std::string& text, const std::string& where) {
  double value = 0.0;
  if (!readsAsReal(text, value)) failConversion(text, "floating point", where);
  return value;
}

// The message naming the line is only composed on a failure: a summary reads
// millions of fields.
int intField(const std::vector<std::string>& fields, int i, const std::string& file, int line) {
  const std::string& text = fieldOrFail(fields, i, file, line);
  int value = 0;
  if (!readsAsInt(text, value)) failConversion(text, "integer", lineOf(file, line));
  return value;
}

double realField(const std::vector<std::string>& fields, int i, const std::string& file, int line) {
  const std::string& text = fieldOrFail(fields, i, file, line);
  double value = 0.0;
  if (!readsAsReal(text, value)) failConversion(text, "floating point", lineOf(file, line));
  return value;
}

}  // namespace vk

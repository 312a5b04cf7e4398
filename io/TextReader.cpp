#include "io/TextReader.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "io/RunError.h"

namespace vk {

namespace {

bool isSeparator(char c) { return static_cast<unsigned char>(c) <= ' '; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// sign? digits+
bool matchesInteger(const std::string& t) {
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  const std::size_t first = i;
  while (i < t.size() && isDigit(t[i])) ++i;
  return i > first && i == t.size();
}

// sign? (digits [. digits?] | . digits) ([eE] sign? digits)?
bool matchesReal(const std::string& t) {
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < t.size() && isDigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && isDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    const std::size_t first = i;
    while (i < t.size() && isDigit(t[i])) ++i;
    if (i == first) return false;
  }
  return i == t.size();
}

// Powers of ten that a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A plain decimal of at most 15 digits, such as the result files hold: its
// digits form an exact integer and the power of ten is exact, so one division
// gives the correctly rounded value, the same as strtod, at a fraction of its
// cost. Anything else is left to the full parser.
bool parseShortDecimal(const std::string& t, double& value) {
  std::size_t i = 0;
  const bool negative = !t.empty() && t[0] == '-';
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) ++i;
  std::uint64_t digits = 0;
  int count = 0, decimals = 0;
  bool point = false;
  for (; i < t.size(); ++i) {
    const char c = t[i];
    if (isDigit(c)) {
      if (++count > 15) return false;
      digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
      if (point) ++decimals;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (count == 0) return false;
  const double magnitude = static_cast<double>(digits) / kExactPowersOfTen[decimals];
  value = negative ? -magnitude : magnitude;
  return true;
}

}  // namespace

bool parseInt(const std::string& text, int& value) {
  if (!matchesInteger(text)) return false;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), nullptr, 10);
  if (errno == ERANGE || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
    return false;
  value = static_cast<int>(v);
  return true;
}

bool parseReal(const std::string& text, double& value) {
  if (parseShortDecimal(text, value)) return true;
  if (!matchesReal(text)) return false;
  errno = 0;
  const double v = std::strtod(text.c_str(), nullptr);
  if (errno == ERANGE && (v > 1.0 || v < -1.0)) return false;  // overflow; underflow reads as 0
  value = v;
  return true;
}

TextReader TextReader::open(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) throwFileError("open file for reading", path, errno);
  // Read straight into the text: result files run to hundreds of megabytes
  // over a run's paths.
  std::string text;
  std::size_t length = 0;
  bool failed = false;
  for (;;) {
    text.resize(std::max<std::size_t>(2 * text.size(), 1 << 16));
    length += std::fread(&text[length], 1, text.size() - length, file);
    if (length < text.size()) {
      failed = std::ferror(file) != 0;
      break;
    }
  }
  const int error = errno;
  std::fclose(file);
  if (failed) throwFileError("read file", path, error);
  text.resize(length);
  return TextReader(path, std::move(text));
}

TextReader::TextReader(std::string name, std::string text) : name_(std::move(name)), text_(std::move(text)) {}

std::string TextReader::nextToken() {
  skipToNextValue();
  tokenLine_ = line_;
  const std::size_t start = pos_;
  while (pos_ < text_.size() && !isSeparator(text_[pos_])) ++pos_;
  return text_.substr(start, pos_ - start);
}

void TextReader::fail(const std::string& token, const char* kind) const {
  throw RunError("'" + token + "' is not a valid " + kind + " value (" + name_ + ", line " +
                 std::to_string(tokenLine_) + ")");
}

int TextReader::readInt() {
  const std::string token = nextToken();
  if (token.empty()) return 0;
  int value = 0;
  if (!parseInt(token, value)) fail(token, "integer");
  return value;
}

double TextReader::readReal() {
  const std::string token = nextToken();
  if (token.empty()) return 0.0;
  double value = 0.0;
  if (!parseReal(token, value)) fail(token, "floating point");
  return value;
}

std::size_t TextReader::lineEnd() const {
  const void* newline = std::memchr(text_.data() + pos_, '\n', text_.size() - pos_);
  return newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - text_.data()) : text_.size();
}

void TextReader::skipLine() {
  if (pos_ >= text_.size()) return;
  pos_ = lineEnd();
  if (pos_ < text_.size()) {
    ++pos_;
    ++line_;
  }
}

std::string TextReader::readLineText(std::size_t maxChars) {
  if (pos_ >= text_.size()) return std::string();
  const std::size_t end = lineEnd();
  std::size_t stop = end;
  // A CR before the line feed belongs to the line end, not to the text.
  if (stop > pos_ && text_[stop - 1] == '\r') --stop;
  std::string line = text_.substr(pos_, std::min(stop - pos_, maxChars));
  pos_ = end;
  skipLine();
  return line;
}

bool TextReader::skipToNextValue() {
  while (pos_ < text_.size() && isSeparator(text_[pos_])) {
    if (text_[pos_] == '\n') ++line_;
    ++pos_;
  }
  return pos_ < text_.size();
}

int readIntLine(TextReader& in) {
  const int v = in.readInt();
  in.skipLine();
  return v;
}

double readRealLine(TextReader& in) {
  const double v = in.readReal();
  in.skipLine();
  return v;
}

void TextReader::rewind() {
  pos_ = 0;
  line_ = 1;
}

}  // namespace vk

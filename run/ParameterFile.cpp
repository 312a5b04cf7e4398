#include "run/ParameterFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "io/OutputFile.h"
#include "io/RunError.h"
#include "io/TextFormat.h"
#include "io/TextReader.h"
#include "model/Limits.h"

namespace vk {

namespace {

constexpr double kNoBound = std::numeric_limits<double>::infinity();

using K = ParameterKind;
using R = ReportFormat;
using L = ParameterLimit;

const ReportFormat kPlain{R::Plain};
const ReportFormat kProbability{R::Fixed, 7, 4};
const ReportFormat kGap{R::Fixed, 6, 2};
const ReportFormat kNotPrinted{R::NotPrinted};
const ParameterLimit kAny{L::None};
const ParameterLimit kDivisor{L::NonZero};
const ParameterLimit kGapCount{L::GapCount};

const char* const kTrendDivisor = "it divides the rate changes of a trend factor";
const char* const kGapWhy = "the genetic learning replaces that many agents each week";

const std::vector<ParameterField> kFields = {
    {1,
     "delta",
     K::Real,
     &Parameters::delta,
     nullptr,
     {R::Fixed, 7, 5},
     kDivisor,
     "the rate step divides every change into price levels",
     "rate step of one price level"},
    {2,
     "ndiv",
     K::Whole,
     nullptr,
     &Parameters::ndiv,
     kPlain,
     {L::Range, 0, kMaxNdiv},
     "the run state holds 40 price levels on each side",
     "price levels on each side of the rate"},
    {3,
     "trend1",
     K::Real,
     &Parameters::trend1,
     nullptr,
     {R::Scientific},
     kDivisor,
     kTrendDivisor,
     "divisor of the 1-week change"},
    {4,
     "trend2",
     K::Real,
     &Parameters::trend2,
     nullptr,
     {R::Scientific},
     kDivisor,
     kTrendDivisor,
     "divisor of the 4-week change"},
    {5,
     "trend3",
     K::Real,
     &Parameters::trend3,
     nullptr,
     {R::Scientific},
     kDivisor,
     kTrendDivisor,
     "divisor of the second difference"},
    {6,
     "popsize",
     K::Whole,
     nullptr,
     &Parameters::popsize,
     kPlain,
     {L::Range, 2, kMaxPopsize},
     "the genetic learning breeds agents in pairs, and the run state holds 200 agents",
     "number of agents"},
    {7,
     "minyear",
     K::Whole,
     nullptr,
     &Parameters::minyear,
     kPlain,
     {L::Range, 1, kNoBound},
     "the trend factors of a week look five weeks back, and the price file starts at week -4",
     "first week of every path"},
    {8,
     "maxyear",
     K::Whole,
     nullptr,
     &Parameters::maxyear,
     kPlain,
     {L::NotBelowMinyear, 0, kLastWeek},
     "a path runs from minyear to maxyear, and the run state holds weeks up to 800",
     "last week of every path"},
    {9,
     "teachyear",
     K::Whole,
     nullptr,
     &Parameters::teachyear,
     kPlain,
     {L::Range, 0, kLastWeek},
     "it is the length of training in weeks",
     "length of training in weeks"},
    {10, "pcross1", K::Real, &Parameters::pcross1, nullptr, kProbability, kAny, "",
     "crossover probability, training weeks", true},
    {11, "pmutation1", K::Real, &Parameters::pmutation1, nullptr, kProbability, kAny, "",
     "mutation probability, training weeks", true},
    {12, "gap1", K::Real, &Parameters::gap1, nullptr, kGap, kGapCount, kGapWhy, "generation gap, training weeks", true},
    {13, "pcross2", K::Real, &Parameters::pcross2, nullptr, kProbability, kAny, "",
     "crossover probability, simulated weeks", true},
    {14, "pmutation2", K::Real, &Parameters::pmutation2, nullptr, kProbability, kAny, "",
     "mutation probability, simulated weeks", true},
    {15, "gap2", K::Real, &Parameters::gap2, nullptr, kGap, kGapCount, kGapWhy, "generation gap, simulated weeks",
     true},
    {16,
     "simtimes",
     K::Whole,
     nullptr,
     &Parameters::simtimes,
     kNotPrinted,
     {L::Range, 0, kNoBound},
     "it counts the paths of the run",
     "number of paths"},
    {17,
     "nsample",
     K::Whole,
     nullptr,
     &Parameters::nsample,
     {R::Plain, 0, 0, true},
     {L::Range, 0, kNoBound},
     "it counts the passes over the training weeks",
     "passes over the training weeks"},
    {18, "runMode", K::Word, nullptr, nullptr, kNotPrinted, kAny, "",
     "run mode: write, all, read, detail, factor or frequency"},
};

double numericValue(const Parameters& p, const ParameterField& f) { return f.kind == K::Real ? p.*f.real : p.*f.whole; }

std::string boundText(const ParameterField& f, double bound) {
  return f.kind == K::Whole ? plainInt(static_cast<long long>(bound)) : fixed(bound, 0, 5);
}

std::string rangeText(const ParameterField& f, double lowest, double highest) {
  if (lowest == -kNoBound) return "at most " + boundText(f, highest);
  if (highest == kNoBound) return "at least " + boundText(f, lowest);
  return boundText(f, lowest) + ".." + boundText(f, highest);
}

// The limit the value breaks, or an empty text if it keeps every limit.
// withOthers false judges only the limits of the field's own.
std::string brokenLimit(const Parameters& p, const ParameterField& f, bool withOthers) {
  if (f.limit.rule == L::None) return "";  // the mode word among them, which has no number
  const double v = numericValue(p, f);
  switch (f.limit.rule) {
    case L::None:
      break;
    case L::Range:
      if (v >= f.limit.lowest && v <= f.limit.highest) return "";
      return rangeText(f, f.limit.lowest, f.limit.highest);
    case L::NonZero:
      return v != 0 ? "" : "any value but 0";
    case L::NotBelowMinyear: {
      const double lowest = withOthers ? p.minyear : -kNoBound;
      if (v >= lowest && v <= f.limit.highest) return "";
      return "minyear = " + plainInt(p.minyear) + ".." + boundText(f, f.limit.highest);
    }
    case L::GapCount: {
      if (!withOthers) return !(v >= 0) ? "at least 0" : "";
      const int count = gapCountOf(p.popsize, v);
      if (count >= 0 && count <= p.popsize) return "";
      return "popsize = " + plainInt(p.popsize) + " x " + f.name +
             ", truncated and made even, is a count of 0..popsize agents";
    }
  }
  return "";
}

void check(const Parameters& p, const ParameterField& f, const std::string& source, bool withOthers) {
  const std::string limit = brokenLimit(p, f, withOthers);
  if (!limit.empty()) refuseValue(source, f.name, parameterText(p, f), limit + "; " + f.beyond);
}

void readField(TextReader& in, Parameters& p, const ParameterField& f) {
  switch (f.kind) {
    case K::Real:
      p.*f.real = readRealLine(in);
      break;
    case K::Whole:
      p.*f.whole = readIntLine(in);
      break;
    case K::Word:
      p.runMode = in.readLineText(kModeWordLength);
      break;
  }
}

}  // namespace

const std::vector<ParameterField>& parameterFields() { return kFields; }

const ParameterField* findParameter(const std::string& name) {
  for (const ParameterField& f : kFields)
    if (name == f.name) return &f;
  return nullptr;
}

void readParameters(TextReader& in, Parameters& p, const std::function<void(const ParameterField&)>& afterEach) {
  for (const ParameterField& f : kFields) {
    readField(in, p, f);
    if (afterEach) afterEach(f);
  }
}

Parameters readParameters(TextReader& in) {
  Parameters p;
  readParameters(in, p);
  return p;
}

Parameters readParameterFile(const std::string& path) {
  TextReader in = TextReader::open(path);
  return readParameters(in);
}

std::string parameterText(const Parameters& p, const ParameterField& f) {
  switch (f.kind) {
    case K::Real:
      return fixed(p.*f.real, 0, 5);
    case K::Whole:
      return plainInt(p.*f.whole);
    case K::Word:
      return p.runMode;
  }
  return "";
}

std::string formatParameters(const Parameters& p) {
  std::string out;
  for (const ParameterField& f : kFields)
    out += (f.kind == K::Real ? fixed(p.*f.real, 10, 5) : parameterText(p, f)) + "\n";
  return out;
}

namespace {

bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// The rest of the line from pos, without its line break; pos moves to the
// start of the next line.
std::string restOfLine(const std::string& text, std::size_t& pos) {
  const std::size_t eol = std::min(text.find('\n', pos), text.size());
  std::size_t stop = eol;
  if (stop > pos && text[stop - 1] == '\r') --stop;
  std::string rest = text.substr(pos, stop - pos);
  pos = std::min(eol + 1, text.size());
  return rest;
}

// The text as the reader cuts it: what followed each value on its line (the
// mode word is its whole line, so nothing follows it), and the lines after
// the mode word.
struct TextAfterValues {
  std::vector<std::string> rests;
  std::string tail;
};

TextAfterValues textAfterValues(const std::string& previous) {
  TextAfterValues cut;
  std::size_t was = 0;
  for (const ParameterField& field : parameterFields()) {
    if (field.kind == ParameterKind::Word) {
      restOfLine(previous, was);
      cut.rests.emplace_back();
      continue;
    }
    // A number is found as the reader finds it: past any blanks and line
    // breaks, one word; the rest of that line is the number's text.
    while (was < previous.size() && isBlank(previous[was])) ++was;
    while (was < previous.size() && !isBlank(previous[was])) ++was;
    cut.rests.push_back(restOfLine(previous, was));
  }
  cut.tail = previous.substr(was);
  return cut;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isWordCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

// The numbers a comment writes out: "-20..20" holds -20 and 20. A digit
// inside a word ("trend1") is part of a name, not a number.
std::vector<std::pair<std::string, double>> numbersIn(const std::string& comment) {
  std::vector<std::pair<std::string, double>> numbers;
  std::size_t i = 0;
  while (i < comment.size()) {
    const std::size_t start = i;
    const bool sign = comment[i] == '-' && i + 1 < comment.size() && isDigit(comment[i + 1]);
    if (start > 0 && isWordCharacter(comment[start - 1])) {
      while (i < comment.size() && isWordCharacter(comment[i])) ++i;
      if (i == start) ++i;
      continue;
    }
    if (!sign && !isDigit(comment[i])) {
      ++i;
      continue;
    }
    if (sign) ++i;
    while (i < comment.size() && isDigit(comment[i])) ++i;
    if (i + 1 < comment.size() && comment[i] == '.' && isDigit(comment[i + 1])) {
      ++i;
      while (i < comment.size() && isDigit(comment[i])) ++i;
    }
    const std::string text = comment.substr(start, i - start);
    double value = 0;
    if (parseReal(text, value)) numbers.emplace_back(text, value);
  }
  return numbers;
}

// A value a comment on the field's line may state, and what it is now.
struct StatedValue {
  double value;
  std::string now;
};

std::vector<StatedValue> statedValues(const Parameters& p, const ParameterField& f) {
  if (f.kind == K::Word) return {};
  const double own = numericValue(p, f);
  const std::string ownNow = std::string(f.name) + " is now " + parameterText(p, f);
  std::vector<StatedValue> stated = {{own, ownNow}};
  if (f.whole == &Parameters::ndiv) stated.push_back({-own, ownNow});  // "price levels -20..20"
  if (f.limit.rule == L::GapCount) {
    const int count = gapCountOf(p.popsize, own);
    stated.push_back({static_cast<double>(count), "popsize " + plainInt(p.popsize) + " x " + f.name + " " +
                                                      parameterText(p, f) + " now replaces " + plainInt(count) +
                                                      " agents"});
  }
  if (f.whole == &Parameters::teachyear) {
    const long long first = p.minyear, last = static_cast<long long>(p.minyear) + p.teachyear - 1;
    const std::string weeks = "training now spans weeks " + plainInt(first) + ".." + plainInt(last);
    stated.push_back({static_cast<double>(first), weeks});
    stated.push_back({static_cast<double>(last), weeks});
  }
  return stated;
}

std::string trimmed(const std::string& text) {
  std::size_t from = 0, to = text.size();
  while (from < to && isBlank(text[from])) ++from;
  while (to > from && isBlank(text[to - 1])) --to;
  return text.substr(from, to - from);
}

// The first number of the comment that states a value of `was` which `now`
// changes, said as "' says <number>, but <what it is now>"; empty if none.
std::string untrueStatement(const std::string& comment, const std::vector<StatedValue>& was,
                            const std::vector<StatedValue>& now) {
  const std::vector<std::pair<std::string, double>> numbers = numbersIn(comment);
  for (std::size_t k = 0; k < was.size(); ++k) {
    if (was[k].value == now[k].value) continue;
    for (const auto& [written, value] : numbers)
      if (value == was[k].value) return "' says " + written + ", but " + now[k].now;
  }
  return "";
}

}  // namespace

std::string readParameterText(const std::string& path) {
  // Anything but a file in its place is left to the writer to report.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::string();
  std::ifstream in(path, std::ios::binary);
  if (!in) throwFileError("open file for reading", path, errno);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throwFileError("read file", path, errno);
  return text;
}

std::string keepTextAfterValues(const std::string& formatted, const std::string& previous) {
  const TextAfterValues cut = textAfterValues(previous);
  std::string out;
  std::size_t at = 0;
  for (const std::string& rest : cut.rests) out += restOfLine(formatted, at) + rest + "\n";
  return out + cut.tail;
}

std::vector<std::string> commentsMadeUntrue(const std::string& text, const Parameters& was, const Parameters& now) {
  const TextAfterValues cut = textAfterValues(text);
  std::vector<std::string> untrue;
  for (std::size_t i = 0; i < kFields.size(); ++i) {
    const ParameterField& f = kFields[i];
    const std::string statement = untrueStatement(cut.rests[i], statedValues(was, f), statedValues(now, f));
    if (!statement.empty()) untrue.push_back("line " + plainInt(f.line) + ": '" + trimmed(cut.rests[i]) + statement);
  }
  return untrue;
}

void writeParameterFile(const std::string& path, const Parameters& p) {
  const std::string text = keepTextAfterValues(formatParameters(p), readParameterText(path));
  OutputFile file;
  file.createReplacing(path);
  file.write(text);
  file.commit();
}

std::string reportParameterLine(const Parameters& p) {
  std::string text;
  for (const ParameterField& f : kFields) {
    const ReportFormat& r = f.report;
    if (r.style == R::NotPrinted) continue;
    if (r.onNewLine) text += "\n";
    text += std::string(f.name) + " =";
    if (r.style == R::Plain) text += plainInt(p.*f.whole);
    if (r.style == R::Fixed) text += fixed(p.*f.real, r.width, r.decimals);
    if (r.style == R::Scientific) text += scientific23(p.*f.real);
  }
  return text + "\n";
}

void checkParameters(const Parameters& p, const std::string& source) {
  for (const ParameterField& f : kFields) check(p, f, source, true);
}

void checkParameterFile(const Parameters& p, const std::string& fileName) {
  for (const ParameterField& f : kFields) check(p, f, fileName + ", line " + plainInt(f.line), true);
}

bool meaningfulShare(const ParameterField& field, double value) {
  return !field.share || (value >= 0.0 && value <= 1.0);
}

void checkShares(const Parameters& p, const std::string& source) {
  // Only a number can be a share: the mode word has no value to take.
  for (const ParameterField& f : kFields)
    if (f.share && !meaningfulShare(f, numericValue(p, f)))
      throw RunError(source + ": " + f.name + " = " + parameterText(p, f) + " is a probability and must lie in 0..1");
}

std::vector<std::string> shareWarnings(const Parameters& p, const std::string& fileName) {
  std::vector<std::string> warnings;
  for (const ParameterField& f : kFields) {
    if (!f.share) continue;
    const double v = numericValue(p, f);
    if (meaningfulShare(f, v)) continue;
    warnings.push_back(fileName + ", line " + plainInt(f.line) + ": " + f.name + " = " + parameterText(p, f) +
                       " is a probability outside 0..1; the run goes on, and what it sets happens " +
                       (v > 1 ? "every time, as with 1" : "never, as with 0"));
  }
  return warnings;
}

void checkDecimalsKept(const Parameters& p, const std::string& fileName) {
  for (const ParameterField& f : kFields) {
    if (f.kind != K::Real) continue;
    double back = 0;
    const std::string text = parameterText(p, f);
    if (!parseReal(text, back) || back != p.*f.real)
      throw RunError(fileName + ", line " + std::to_string(f.line) + ": " + f.name + " = " + std::to_string(p.*f.real) +
                     " has more than the five decimals para.txt keeps (it would be written as " + text + ")");
  }
}

void setParameter(Parameters& p, const std::string& name, const std::string& text, const std::string& source) {
  const ParameterField* f = findParameter(name);
  if (!f) throw RunError(source + ": '" + name + "' is not a parameter of para.txt");
  Parameters candidate = p;
  bool parsed = true;
  if (f->kind == K::Real) parsed = parseReal(text, candidate.*f->real);
  if (f->kind == K::Whole) parsed = parseInt(text, candidate.*f->whole);
  if (f->kind == K::Word) candidate.runMode = text.substr(0, kModeWordLength);
  if (!parsed)
    throw RunError(source + ": " + name + " = '" + text + "' is not " +
                   (f->kind == K::Whole ? "a whole number" : "a number"));
  check(candidate, *f, source, false);
  p = candidate;
}

void refuseValue(const std::string& source, const std::string& name, const std::string& value,
                 const std::string& limit) {
  throw RunError(source + ": " + name + " = " + value + " is outside what a run supports (" + limit + ")");
}

}  // namespace vk

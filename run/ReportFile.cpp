#include "run/ReportFile.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>

#include "io/CompressedFile.h"
#include "io/RunError.h"
#include "io/TextFormat.h"
#include "io/TextReader.h"

namespace vk {

const std::array<const char*, kReportValueCount + 1> kReportColumns = {
    "path",    "me_sim",     "me_rw",    "mae_sim",     "mae_rw",   "rmse_sim",    "rmse_rw", "mean_sim", "mean_actual",
    "std_sim", "std_actual", "skew_sim", "skew_actual", "kurt_sim", "kurt_actual", "sr_sim",  "sr_actual"};

namespace {

const char* const kErrorHeader = "me(sim)   \tme(rw)   \tmae(sim)   \tmae(rw)    \trmse(sim)    \trmse(rw)    \n";
const char* const kStatisticsHeader =
    "mean    \tmean(real)  \tstd      \tstd(real)      \tskew      \tskew(real)  \tkurt     \t"
    "kurt(real)\tSR       \tSR(real)   \t\n";
const char* const kPathLinePrefix = "No. = ";
constexpr std::size_t kReportFieldWidth = 23;

// The report's lines, with the number of the line each came from.
class ReportLines {
 public:
  // A report whose last line has no line end was cut off while it was written.
  explicit ReportLines(const std::string& path) : path_(path), text_(openPlainOrCompressed(path)) {
    if (!text_.endsWithLineEnd())
      throw RunError(path + ": the last line has no line end; the run stopped while writing it");
  }

  bool atEnd() const { return text_.atEnd(); }
  // The next line without its line end; a missing line is a cut-short report.
  std::string next(const char* expected) {
    if (text_.atEnd()) fail(std::string("the file ends where ") + expected + " should follow");
    line_ = text_.line();
    return text_.readLineText();
  }
  [[noreturn]] void fail(const std::string& what) const {
    throw RunError(path_ + ", line " + std::to_string(line_) + ": " + what);
  }
  [[noreturn]] void failAt(std::string_view text, const std::string& what) const {
    fail("'" + std::string(text.substr(0, 40)) + "' " + what);
  }

 private:
  std::string path_;
  TextReader text_;
  int line_ = 0;
};

std::string withoutLineEnd(const char* headerLine) {
  std::string text(headerLine);
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// One value as the table shows it.
std::string tableValue(std::string_view field, const ReportLines& lines) {
  if (field.size() != kReportFieldWidth) lines.failAt(field, "is not a 23-character value of the report");
  const std::string_view text = trimmed(field);
  if (text == "NAN") return "";
  if (text == "+INF") return "Inf";
  if (text == "-INF") return "-Inf";
  double value = 0;
  if (!parseReal(text, value)) lines.failAt(field, "is not a number of the report");
  return std::string(text);
}

// The values of a line of `count` tab-separated fields; the statistics line
// ends with a tab, the errors line does not.
void readValueLine(ReportLines& lines, int count, bool tabAtEnd, std::string* into) {
  std::string line = lines.next("a line of values");
  if (tabAtEnd) {
    if (line.empty() || line.back() != '\t') lines.failAt(line, "is cut short: a line of values must end with a tab");
    line.pop_back();
  }
  const std::string_view values(line);
  int n = 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = values.find('\t', start);
    if (n == count) lines.failAt(line, "has more than " + std::to_string(count) + " values");
    into[n++] = tableValue(values.substr(start, tab == std::string::npos ? std::string::npos : tab - start), lines);
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  if (n != count) lines.failAt(line, "has " + std::to_string(n) + " values instead of " + std::to_string(count));
}

int pathNumberOf(const std::string& line, const ReportLines& lines) {
  int path = 0;
  if (line.compare(0, 6, kPathLinePrefix) != 0 || !parseInt(line.substr(6), path) || path < 0)
    lines.failAt(line, "is not the first line of a path report (No. = path number)");
  return path;
}

std::string scientificFields(const double* values, int count, bool tabAtEnd) {
  std::string line;
  for (int i = 0; i < count; ++i) {
    if (i > 0) line += '\t';
    line += scientific23(values[i]);
  }
  if (tabAtEnd) line += '\t';
  return line;
}

}  // namespace

std::string pathReportText(int path, const std::string& parameterLine, const double (&errors)[kReportErrorCount],
                           const double (&statistics)[kReportStatisticCount]) {
  std::string text = kPathLinePrefix + plainInt(path) + "\n";
  text += parameterLine;
  text += kErrorHeader;
  text += scientificFields(errors, kReportErrorCount, false) + "\n";
  text += kStatisticsHeader;
  text += scientificFields(statistics, kReportStatisticCount, true) + "\n";
  return text;
}

std::vector<PathReportRow> readRunReport(const std::string& evalPath) {
  const std::string errorHeader = withoutLineEnd(kErrorHeader);
  const std::string statisticsHeader = withoutLineEnd(kStatisticsHeader);
  ReportLines lines(evalPath);
  std::vector<PathReportRow> rows;
  while (!lines.atEnd()) {
    PathReportRow row;
    row.path = pathNumberOf(lines.next("a path report"), lines);
    std::string header = lines.next("the errors' header");
    // The parameter lines follow the first line of path 1 only.
    if (header != errorHeader && row.path == 1) {
      lines.next("the nsample line");
      header = lines.next("the errors' header");
    }
    if (header != errorHeader) lines.failAt(header, "is not the errors' header");
    readValueLine(lines, kReportErrorCount, false, &row.values[0]);
    if (lines.next("the statistics' header") != statisticsHeader) lines.fail("this is not the statistics' header");
    readValueLine(lines, kReportStatisticCount, true, &row.values[kReportErrorCount]);
    rows.push_back(std::move(row));
  }
  return rows;
}

double reportValue(const PathReportRow& row, int column) {
  const std::string& text = row.values.at(static_cast<std::size_t>(column));
  if (text.empty()) return std::numeric_limits<double>::quiet_NaN();
  if (text == "Inf") return std::numeric_limits<double>::infinity();
  if (text == "-Inf") return -std::numeric_limits<double>::infinity();
  double value = 0;
  parseReal(text, value);
  return value;
}

std::string reportRowFields(const PathReportRow& row) {
  std::string text = std::to_string(row.path);
  for (const std::string& value : row.values) {
    text += ',';
    text += value;
  }
  return text;
}

std::string reportTableText(const std::vector<PathReportRow>& rows) {
  std::string text;
  for (const char* column : kReportColumns) text += std::string(text.empty() ? "" : ",") + column;
  text += "\n";
  for (const PathReportRow& row : rows) text += reportRowFields(row) + "\n";
  return text;
}

}  // namespace vk

#include "analysis/FactsSummary.h"

#include <algorithm>
#include <cmath>

#include "analysis/ReferenceScan.h"
#include "analysis/ResultDirectory.h"
#include "analysis/ResultFile.h"
#include "io/OutputFile.h"
#include "io/RunError.h"
#include "io/TextFormat.h"
#include "io/TextReader.h"

namespace vk {

namespace {

constexpr int kTableDigits = 10;

// The simulated weeks T + 1 to L of one path file.
struct PathWeeks {
  std::vector<double> simulatedChange;
  std::vector<double> actualChange;
  std::vector<double> volume;
};

PathWeeks readSimulatedWeeks(const std::string& path, const WeekSpan& span) {
  ResultFileReader file(path);
  PathWeeks weeks;
  const std::size_t n = static_cast<std::size_t>(span.last - span.start);
  weeks.simulatedChange.reserve(n);
  weeks.actualChange.reserve(n);
  weeks.volume.reserve(n);
  file.skip(span.start + 1 - span.first);
  for (int week = span.start + 1; week <= span.last; ++week) {
    file.next();
    requireWeek(file, week);
    weeks.simulatedChange.push_back(file.realAt(kSimulatedChangeField));
    weeks.actualChange.push_back(file.realAt(kActualChangeField));
    weeks.volume.push_back(file.realAt(kVolumeField));
  }
  return weeks;
}

std::string headerLine() {
  std::string line = "series,path";
  for (int c = 0; c < kFactColumns; ++c) line += "," + factColumnName(c);
  return line + "\n";
}

std::string rowLine(const char* series, const std::string& path, const FactRow& row) {
  std::string line = std::string(series) + "," + path;
  for (const FactValue& v : row) {
    line += ",";
    if (v) line += significant(*v, kTableDigits);
  }
  return line + "\n";
}

FactRow percentileRow(const std::vector<FactRow>& rows, double p) {
  FactRow result;
  std::vector<double> values;
  for (int c = 0; c < kFactColumns; ++c) {
    values.clear();
    for (const FactRow& row : rows)
      if (row[c]) values.push_back(*row[c]);
    result[c] = percentile(values, p);
  }
  return result;
}

double smallestNonZeroSize(const std::vector<double>& values) {
  double smallest = 0.0;
  for (double v : values) {
    const double size = std::fabs(v);
    if (size > 0.0 && (smallest == 0.0 || size < smallest)) smallest = size;
  }
  return smallest;
}

std::vector<double> sharesIn(const std::vector<double>& values, double width, long long firstBin, std::size_t bins) {
  std::vector<double> shares(bins, 0.0);
  if (values.empty()) return shares;
  const double each = 1.0 / static_cast<double>(values.size());
  for (double v : values) shares[static_cast<std::size_t>(std::llround(v / width) - firstBin)] += each;
  return shares;
}

std::vector<std::string> commaFields(const std::string& line) {
  std::vector<std::string> fields(1);
  for (char c : line)
    if (c == ',')
      fields.emplace_back();
    else
      fields.back() += c;
  return fields;
}

std::string quotedShort(const std::string& text) { return "'" + text.substr(0, 40) + "'"; }

}  // namespace

ChangeHistogram changeHistogram(const std::vector<double>& simulated, const std::vector<double>& actual) {
  ChangeHistogram h;
  if (simulated.empty() && actual.empty()) return h;
  double low = simulated.empty() ? actual.front() : simulated.front(), high = low;
  for (const std::vector<double>* values : {&simulated, &actual})
    for (double v : *values) {
      low = std::min(low, v);
      high = std::max(high, v);
    }
  const double step = smallestNonZeroSize(simulated);
  // Bins on the price ladder when they are not too many; the test is made on
  // reals so that a tiny step cannot overflow the bin numbers.
  if (step > 0.0 && std::round(high / step) - std::round(low / step) < kMaxHistogramBins)
    h.binWidth = step;
  else if (high > low)
    h.binWidth = (high - low) / kFallbackHistogramBins;
  else
    h.binWidth = low != 0.0 ? std::fabs(low) : 1.0;

  const long long first = std::llround(low / h.binWidth);
  const std::size_t bins = static_cast<std::size_t>(std::llround(high / h.binWidth) - first + 1);
  for (std::size_t i = 0; i < bins; ++i)
    h.centres.push_back(static_cast<double>(first + static_cast<long long>(i)) * h.binWidth);
  h.simulatedShare = sharesIn(simulated, h.binWidth, first, bins);
  h.actualShare = sharesIn(actual, h.binWidth, first, bins);
  return h;
}

void fillPercentileRows(FactsSeries& series) {
  series.median = percentileRow(series.simulated, 0.5);
  series.p10 = percentileRow(series.simulated, 0.1);
  series.p90 = percentileRow(series.simulated, 0.9);
}

void summariseFacts(const std::string& directory, const std::string& csvFile, FactsSeries& series) {
  SelectionReader selection(directory);
  summariseFacts(directory, selection, csvFile, series);
}

void summariseFacts(const std::string& directory, PathSelection& selection, const std::string& csvFile,
                    FactsSeries& series) {
  series = FactsSeries();
  const ReferenceScan ref = scanReference(directory);
  const std::string referencePath = resultFilePath(directory, pathFileName(kRatePrefix, kReferencePath));
  const std::vector<double> actual = readSimulatedWeeks(referencePath, ref.span).actualChange;
  series.actual = stylizedFacts(actual);

  OutputFile out;
  out.createLocked(csvFile.empty() ? resultFilePath(directory, kFactsSummaryFileName) : csvFile);
  out.write(headerLine());
  out.write(rowLine("actual", "", series.actual));

  selection.begin();
  const int n = selection.count();
  std::vector<double> pooled;
  for (int i = 0; i < n; ++i) {
    const int k = selection.nextPath();
    const PathWeeks weeks = readSimulatedWeeks(resultFilePath(directory, pathFileName(kRatePrefix, k)), ref.span);
    series.paths.push_back(k);
    series.simulated.push_back(stylizedFacts(weeks.simulatedChange, &weeks.volume));
    out.write(rowLine("sim", plainInt(k), series.simulated.back()));
    pooled.insert(pooled.end(), weeks.simulatedChange.begin(), weeks.simulatedChange.end());
  }
  fillPercentileRows(series);
  out.write(rowLine("sim_median", "", series.median));
  out.write(rowLine("sim_p10", "", series.p10));
  out.write(rowLine("sim_p90", "", series.p90));
  out.close();
  series.distribution = changeHistogram(pooled, actual);
}

FactsTableText readFactsTable(const std::string& file) {
  TextReader text = TextReader::open(file);
  const std::string expected = headerLine();
  const std::string header = text.readLineText();
  if (header + "\n" != expected)
    throw RunError(file + ", line 1: " + quotedShort(header) + " is not the header of a facts table");
  FactsTableText table;
  while (!text.atEnd()) {
    const int line = text.line();
    const std::string where = file + ", line " + std::to_string(line) + ": ";
    std::vector<std::string> fields = commaFields(text.readLineText());
    if (fields.size() != static_cast<std::size_t>(kFactColumns) + 2)
      throw RunError(where + std::to_string(fields.size()) + " fields where the header has " +
                     std::to_string(kFactColumns + 2));
    const std::string series = fields[0];
    const std::string path = fields[1];
    fields.erase(fields.begin(), fields.begin() + 2);
    if (series == "actual") {
      table.actual = std::move(fields);
    } else if (series == "sim") {
      int number = 0;
      if (!parseInt(path, number) || number < 0)
        throw RunError(where + "path " + quotedShort(path) + " is no path number");
      table.paths[number] = std::move(fields);
    } else if (series != "sim_median" && series != "sim_p10" && series != "sim_p90") {
      throw RunError(where + quotedShort(series) + " is no series of the facts table");
    }
  }
  return table;
}

}  // namespace vk

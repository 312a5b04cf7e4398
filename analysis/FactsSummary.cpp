#include "analysis/FactsSummary.h"

#include <algorithm>
#include <cmath>

#include "analysis/FactsTable.h"
#include "analysis/ReferenceScan.h"
#include "analysis/ResultDirectory.h"
#include "analysis/ResultFile.h"
#include "io/OutputFile.h"
#include "io/TextFormat.h"

namespace vk {

namespace {

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
  requireEndAfter(file, span.last);
  return weeks;
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

std::vector<double> actualChangesOf(const std::string& directory) {
  const ReferenceScan ref = scanReference(directory);
  return readSimulatedWeeks(resultFilePath(directory, pathFileName(kRatePrefix, kReferencePath)), ref.span)
      .actualChange;
}

void summariseFacts(const std::string& directory, PathSelection& selection, const std::string& csvFile,
                    FactsSeries& series) {
  series = FactsSeries();
  const ReferenceScan ref = scanReference(directory);
  const std::string referencePath = resultFilePath(directory, pathFileName(kRatePrefix, kReferencePath));
  const std::vector<double> actual = readSimulatedWeeks(referencePath, ref.span).actualChange;
  series.actual = stylizedFacts(actual);

  OutputFile out;
  out.createReplacing(csvFile.empty() ? resultFilePath(directory, kFactsSummaryFileName) : csvFile);
  out.write(factsTableHeader());
  out.write(factsTableRow(kActualSeries, "", series.actual));

  selection.begin();
  const int n = selection.count();
  std::vector<double> pooled;
  for (int i = 0; i < n; ++i) {
    const int k = selection.nextPath();
    const PathWeeks weeks = readSimulatedWeeks(resultFilePath(directory, pathFileName(kRatePrefix, k)), ref.span);
    series.paths.push_back(k);
    series.simulated.push_back(stylizedFacts(weeks.simulatedChange, &weeks.volume));
    out.write(factsTableRow(kPathSeries, plainInt(k), series.simulated.back()));
    pooled.insert(pooled.end(), weeks.simulatedChange.begin(), weeks.simulatedChange.end());
  }
  fillPercentileRows(series);
  out.write(factsTableRow(kMedianSeries, "", series.median));
  out.write(factsTableRow(kP10Series, "", series.p10));
  out.write(factsTableRow(kP90Series, "", series.p90));
  out.commit();
  series.distribution = changeHistogram(pooled, actual);
}

FactsSeries factsOfRun(const std::string& directory, int pathCount) {
  FactsSeries series;
  const ReferenceScan ref = scanReference(directory);
  // The reference path's file gives the actual changes and, as path 0, its
  // own simulated ones: read once for both.
  const PathWeeks reference =
      readSimulatedWeeks(resultFilePath(directory, pathFileName(kRatePrefix, kReferencePath)), ref.span);
  series.actual = stylizedFacts(reference.actualChange);
  for (int k = 0; k < pathCount; ++k) {
    const PathWeeks weeks = k == kReferencePath
                                ? reference
                                : readSimulatedWeeks(resultFilePath(directory, pathFileName(kRatePrefix, k)), ref.span);
    series.paths.push_back(k);
    series.simulated.push_back(stylizedFacts(weeks.simulatedChange, &weeks.volume));
  }
  fillPercentileRows(series);
  return series;
}

std::vector<FactGap> factsFurthestFromActual(const FactsSeries& series, std::size_t count) {
  std::vector<FactGap> gaps;
  for (const ScalarFact& fact : scalarFacts()) {
    const int c = fact.column;
    if (!series.actual[c] || !series.median[c] || !series.p10[c] || !series.p90[c]) continue;
    FactGap g{c, *series.actual[c], *series.median[c], *series.p10[c], *series.p90[c], 0.0};
    const double halfRange = (g.p90 - g.p10) / 2;
    if (g.actual == g.median) continue;
    g.distance = halfRange > 0 ? std::fabs(g.actual - g.median) / halfRange : HUGE_VAL;
    gaps.push_back(g);
  }
  std::stable_sort(gaps.begin(), gaps.end(),
                   [](const FactGap& a, const FactGap& b) { return a.distance > b.distance; });
  if (gaps.size() > count) gaps.resize(count);
  return gaps;
}

std::string factGapsText(const std::vector<FactGap>& gaps) {
  if (gaps.empty()) return "No fact of the paths differs from the actual one.";
  std::string text = "Facts furthest from the actual:";
  for (std::size_t i = 0; i < gaps.size(); ++i) {
    const FactGap& g = gaps[i];
    std::string label = factColumnName(g.column);
    for (const ScalarFact& fact : scalarFacts())
      if (fact.column == g.column) label = fact.label;
    text += std::string(i ? ";" : "") + " " + label + " " + general(g.actual, 3) + " (paths' median " +
            general(g.median, 3) + ", 10-90 % " + general(g.p10, 3) + " to " + general(g.p90, 3) + ")";
  }
  return text + ".";
}

}  // namespace vk

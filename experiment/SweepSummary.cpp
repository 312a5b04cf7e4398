#include "experiment/SweepSummary.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "analysis/StylizedFacts.h"
#include "experiment/ResultsTable.h"
#include "io/RunError.h"
#include "run/ReportFile.h"

namespace vk {

namespace {

const char* const kNumeric = "sweep plot draws over numeric parameters";

}  // namespace

std::vector<std::string> sweepMetrics() {
  std::vector<std::string> metrics = resultsValueColumns();
  // The ratios go after the report's values, before the facts.
  metrics.insert(metrics.begin() + kReportValueCount, {"rmse_ratio", "mae_ratio"});
  return metrics;
}

SweepSummary summariseSweep(const std::string& resultsFile, const std::string& xName, const std::string& yName,
                            const std::string& metric) {
  const std::vector<std::string> metrics = sweepMetrics();
  if (std::find(metrics.begin(), metrics.end(), metric) == metrics.end())
    throw RunError("'" + metric + "' is not a metric of the results table");
  ResultsTableReader table(resultsFile);
  const int xColumn = table.column(xName, "--x names a varied parameter");
  const int yColumn = yName.empty() ? -1 : table.column(yName, "--y names a varied parameter");
  const int status = table.column("status", "the status of each run");
  const bool ratio = metric == "rmse_ratio" || metric == "mae_ratio";
  const std::string prefix = metric.substr(0, metric.find('_'));
  const int valueColumn = table.column(ratio ? prefix + "_sim" : metric, "the metric");
  const int walkColumn = ratio ? table.column(prefix + "_rw", "the metric") : -1;

  std::map<std::pair<double, double>, std::vector<double>> groups;
  std::vector<std::string> fields;
  while (table.next(fields)) {
    if (fields[status] != "done" || fields[valueColumn].empty() || (ratio && fields[walkColumn].empty())) continue;
    double value = table.number(fields, valueColumn, kNumeric);
    if (ratio) value = value / table.number(fields, walkColumn, kNumeric);
    if (!std::isfinite(value)) continue;
    const double y = yColumn < 0 ? 0.0 : table.number(fields, yColumn, kNumeric);
    groups[{table.number(fields, xColumn, kNumeric), y}].push_back(value);
  }
  if (groups.empty()) throw RunError(resultsFile + " holds no finished run with a value of " + metric);

  SweepSummary summary;
  summary.xName = xName;
  summary.yName = yName;
  summary.metric = metric;
  for (auto& [key, values] : groups) {
    const double median = *percentile(values, 0.5);
    if (yColumn >= 0) {
      summary.cells.push_back({key.first, key.second, median});
      continue;
    }
    summary.median.push_back({key.first, median});
    summary.low.push_back({key.first, *percentile(values, 0.1)});
    summary.high.push_back({key.first, *percentile(values, 0.9)});
  }
  return summary;
}

}  // namespace vk

#include "experiment/RunMetric.h"

#include <algorithm>
#include <cmath>

#include "analysis/StylizedFacts.h"
#include "io/RunError.h"
#include "io/TextFormat.h"
#include "run/ReportFile.h"

namespace vk {

namespace {

const char* const kNumeric = "the metric must be a number";

bool isRatio(const std::string& metric) { return metric == "rmse_ratio" || metric == "mae_ratio"; }

}  // namespace

std::vector<std::string> sweepMetrics() {
  std::vector<std::string> metrics = resultsValueColumns();
  // The ratios go after the report's values, before the facts.
  metrics.insert(metrics.begin() + kReportValueCount, {"rmse_ratio", "mae_ratio"});
  return metrics;
}

MetricColumn::MetricColumn(const ResultsTableReader& table, const std::string& metric) {
  const std::vector<std::string> metrics = sweepMetrics();
  if (std::find(metrics.begin(), metrics.end(), metric) == metrics.end()) {
    std::string names;
    for (const std::string& m : metrics) names += (names.empty() ? "" : ", ") + m;
    throw RunError("'" + metric.substr(0, 40) + "' is not a metric of the results table; the metrics are " + names);
  }
  const std::string prefix = metric.substr(0, metric.find('_'));
  value_ = table.column(isRatio(metric) ? prefix + "_sim" : metric, "the metric");
  if (isRatio(metric)) walk_ = table.column(prefix + "_rw", "the metric");
}

std::optional<double> MetricColumn::value(const ResultsTableReader& table,
                                          const std::vector<std::string>& fields) const {
  if (fields[value_].empty() || (walk_ >= 0 && fields[walk_].empty())) return std::nullopt;
  double value = table.number(fields, value_, kNumeric);
  if (walk_ >= 0) value /= table.number(fields, walk_, kNumeric);
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

RunMetric readRunMetric(const std::string& resultsFile, const std::string& metric, std::size_t runs, bool logScale) {
  ResultsTableReader table(resultsFile);
  const MetricColumn column(table, metric);
  const int runColumn = table.column("run", "the run of each row");
  const int status = table.column("status", "the status of each run");
  RunMetric m;
  m.metric = metric;
  m.logScale = logScale;
  m.done.assign(runs, false);
  m.paths.assign(runs, {});
  std::vector<std::string> fields;
  while (table.next(fields)) {
    const double id = table.number(fields, runColumn, "it must be a run number");
    if (id < 0 || id >= static_cast<double>(runs) || id != std::floor(id))
      throw RunError(resultsFile + ", line " + std::to_string(table.line()) + ": run " +
                     fields[runColumn].substr(0, 20) + " is not a run of the experiment's " + std::to_string(runs));
    const std::size_t run = static_cast<std::size_t>(id);
    if (fields[status] != "done") continue;
    m.done[run] = true;
    std::optional<double> value = column.value(table, fields);
    if (!value) {
      ++m.emptyRows;
      continue;
    }
    if (logScale) {
      if (*value <= 0)
        throw RunError(resultsFile + ", line " + std::to_string(table.line()) + ": " + metric + " = " +
                       significant(*value, 6) + " has no log; --log needs a positive metric");
      value = std::log(*value);
    }
    m.paths[run].push_back(*value);
  }
  return m;
}

std::optional<double> runMedian(const RunMetric& m, std::size_t run) { return percentile(m.paths[run], 0.5); }

}  // namespace vk

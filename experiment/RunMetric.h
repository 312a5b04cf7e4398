#pragma once
// One metric of an experiment's results.csv, gathered run by run: the value
// of each path of every finished run. A metric is a value column of the
// table (the report's values and the facts), or rmse_ratio / mae_ratio, the
// simulation's error over the random walk's.
#include <optional>
#include <string>
#include <vector>

#include "experiment/ResultsTable.h"

namespace vk {

// The metrics a table offers, for messages and the command line's checks.
std::vector<std::string> sweepMetrics();

// A metric's value in a row of the table.
class MetricColumn {
 public:
  // A name that is no metric is a RunError listing the metrics.
  MetricColumn(const ResultsTableReader& table, const std::string& metric);
  // Empty where the row has no value (undefined in the report or the facts,
  // or a ratio over a zero error).
  std::optional<double> value(const ResultsTableReader& table, const std::vector<std::string>& fields) const;

 private:
  int value_ = -1;
  int walk_ = -1;  // the random walk's error, for a ratio
};

struct RunMetric {
  std::string metric;
  bool logScale = false;
  // By run id: whether the run is done, and the values of its paths.
  std::vector<bool> done;
  std::vector<std::vector<double>> paths;
  // Rows of finished runs without a value: left out, and counted.
  int emptyRows = 0;
};

// Reads the metric of every run of the table; runs is the plan's run count.
// With logScale the natural log of the metric, which must then be positive
// wherever it has a value (a RunError naming the line otherwise).
RunMetric readRunMetric(const std::string& resultsFile, const std::string& metric, std::size_t runs,
                        bool logScale = false);

// The median over the run's paths: one value per run, for summaries that
// must not take paths that share one generator's stream as independent.
// Empty for a run with no value.
std::optional<double> runMedian(const RunMetric& m, std::size_t run);

}  // namespace vk

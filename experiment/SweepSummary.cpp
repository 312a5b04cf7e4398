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

SweepSummary summariseSweep(const std::string& resultsFile, const std::string& xName, const std::string& yName,
                            const std::string& metric) {
  ResultsTableReader table(resultsFile);
  const MetricColumn column(table, metric);
  const int xColumn = table.column(xName, "--x names a varied parameter");
  const int yColumn = yName.empty() ? -1 : table.column(yName, "--y names a varied parameter");
  const int status = table.column("status", "the status of each run");

  std::map<std::pair<double, double>, std::vector<double>> groups;
  std::vector<std::string> fields;
  while (table.next(fields)) {
    if (fields[status] != "done") continue;
    const std::optional<double> value = column.value(table, fields);
    if (!value) continue;
    const double y = yColumn < 0 ? 0.0 : table.number(fields, yColumn, kNumeric);
    groups[{table.number(fields, xColumn, kNumeric), y}].push_back(*value);
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

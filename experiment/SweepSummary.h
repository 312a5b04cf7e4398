#pragma once
// The summary behind sweep plot: an experiment's results.csv reduced to one
// metric over one or two varied parameters. Over one, per value: the median
// and the 10 % and 90 % quantiles across every path and seed (and every
// other varied parameter) of that value. Over two, the median per pair of
// values, for a colour grid.
#include <string>
#include <vector>

#include "analysis/ChartPoint.h"
#include "experiment/RunMetric.h"

namespace vk {

struct SweepCell {
  double x = 0;
  double y = 0;
  double median = 0;
};

struct SweepSummary {
  std::string xName;
  std::string yName;  // empty over one parameter
  std::string metric;
  PointList median;  // "Median"
  PointList low;     // "10 %"
  PointList high;    // "90 %"
  std::vector<SweepCell> cells;
};

// Reads the table. Rows whose status is not done, and rows whose metric is
// empty (undefined in the report), are left out. An unknown column or
// metric, a parameter that is not a number, or no row left is a RunError.
SweepSummary summariseSweep(const std::string& resultsFile, const std::string& xName, const std::string& yName,
                            const std::string& metric);

}  // namespace vk

#pragma once
// The summary behind sweep plot: an experiment's results.csv reduced to one
// metric over one or two varied parameters.
//
// The paths of a run continue one generator's stream and inherit the agents
// of the path before, so they are no independent replications. By default
// each run is first summarised by the median of the metric over its paths,
// and the spread is taken across runs (the seeds, and any other varied
// parameter, pooled); SweepPool::Paths pools every path instead. Over one
// parameter, per value: the median and the 10 % and 90 % quantiles. Over
// two, the median per pair of values, for a colour grid.
//
// On a sampled design (lhs, sobol, saltelli, morris), whose points differ in
// every parameter, the parameters drawn over are cut into equal bins (at
// most kSweepBins), so that a line never joins points that differ in the
// other parameters; each bin is drawn at its centre.
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

enum class SweepPool { Runs, Paths };
constexpr int kSweepBins = 10;

struct SweepSettings {
  std::string xName;
  std::string yName;  // empty over one parameter
  std::string metric;
  SweepPool pool = SweepPool::Runs;
  bool binned = false;  // a sampled design
};

struct SweepSummary {
  std::string xName;
  std::string yName;  // empty over one parameter
  std::string metric;
  PointList median;  // "Median"
  PointList low;     // "10 %"
  PointList high;    // "90 %"
  std::vector<SweepCell> cells;
  // The values the design takes along each axis, for the chart's bounds.
  double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
  // What the picture shows and what it leaves out, in one line.
  std::string caption;
  int runsUsed = 0;
  int runsLeftOut = 0;  // pending or failed
};

// Reads the table. Rows whose status is not done, and rows whose metric is
// empty (undefined in the report), are left out. An unknown column or
// metric, a parameter that is not a number, or no row left is a RunError.
SweepSummary summariseSweep(const std::string& resultsFile, const SweepSettings& settings);
class ResultsTableReader;
// The same of a table already opened, such as one made while its runs go on.
SweepSummary summariseSweep(ResultsTableReader& table, const SweepSettings& settings);

}  // namespace vk

#include "experiment/SweepSummary.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "analysis/StylizedFacts.h"
#include "experiment/ResultsTable.h"
#include "io/RunError.h"
#include "io/TextFormat.h"

namespace vk {

namespace {

const char* const kNumeric = "sweep plot draws over numeric parameters";

// One run as the plot sees it: where it stands and its paths' values.
struct RunValues {
  double x = 0;
  double y = 0;
  std::vector<double> values;
};

// Equal bins over [low, high]: a value's bin drawn at the bin's centre.
class Bins {
 public:
  Bins(double low, double high, int count) : low_(low), width_((high - low) / count), count_(count) {}
  double centre(double v) const {
    if (width_ <= 0) return low_;
    const int bin = std::min(count_ - 1, static_cast<int>(std::floor((v - low_) / width_)));
    return low_ + (bin + 0.5) * width_;
  }

 private:
  double low_;
  double width_;
  int count_;
};

int binCount(const std::set<double>& distinct) { return std::min(kSweepBins, static_cast<int>(distinct.size())); }

std::string captionOf(const SweepSettings& s, const SweepSummary& summary, std::size_t paths, int bins) {
  std::string text = s.pool == SweepPool::Runs
                         ? "Each run is the median over its paths; " +
                               std::string(s.yName.empty() ? "median and 10-90 % across " : "median of ") +
                               std::to_string(summary.runsUsed) + " runs"
                         : "Every path pooled (paths of a run are not independent): " +
                               std::string(s.yName.empty() ? "median and 10-90 % of " : "median of ") +
                               std::to_string(paths) + " paths of " + std::to_string(summary.runsUsed) + " runs";
  text += "; " + std::to_string(summary.runsLeftOut) + " pending or failed run" +
          (summary.runsLeftOut == 1 ? "" : "s") + " left out";
  if (s.binned)
    text += "; " + s.xName + (s.yName.empty() ? "" : " and " + s.yName) + " in " + std::to_string(bins) + " equal bins";
  return text;
}

}  // namespace

SweepSummary summariseSweep(const std::string& resultsFile, const SweepSettings& settings) {
  ResultsTableReader table(resultsFile);
  return summariseSweep(table, settings);
}

SweepSummary summariseSweep(ResultsTableReader& table, const SweepSettings& settings) {
  const MetricColumn column(table, settings.metric);
  const bool twoAxes = !settings.yName.empty();
  const int xColumn = table.column(settings.xName, "--x names a varied parameter");
  const int yColumn = twoAxes ? table.column(settings.yName, "--y names a varied parameter") : -1;
  const int runColumn = table.column("run", "the run of each row");
  const int status = table.column("status", "the status of each run");

  std::map<std::string, RunValues> runs;
  std::set<std::string> leftOut;
  // Every value the design took, finished or not: the axes and the bins
  // stay where they are while a sweep's runs end one after another.
  std::set<double> xs, ys;
  std::vector<std::string> fields;
  while (table.next(fields)) {
    const double x = table.number(fields, xColumn, kNumeric);
    const double y = twoAxes ? table.number(fields, yColumn, kNumeric) : 0.0;
    xs.insert(x);
    ys.insert(y);
    if (fields[status] != "done") {
      leftOut.insert(fields[runColumn]);
      continue;
    }
    const std::optional<double> value = column.value(table, fields);
    if (!value) continue;
    RunValues& run = runs[fields[runColumn]];
    run.x = x;
    run.y = y;
    run.values.push_back(*value);
  }
  if (runs.empty()) throw RunError(table.name() + " holds no finished run with a value of " + settings.metric);

  SweepSummary summary;
  summary.xName = settings.xName;
  summary.yName = settings.yName;
  summary.metric = settings.metric;
  summary.runsUsed = static_cast<int>(runs.size());
  summary.runsLeftOut = static_cast<int>(leftOut.size());
  summary.xMin = *xs.begin();
  summary.xMax = *xs.rbegin();
  summary.yMin = *ys.begin();
  summary.yMax = *ys.rbegin();
  const int bins = settings.binned ? std::max(binCount(xs), twoAxes ? binCount(ys) : 0) : 0;
  const Bins xBins(summary.xMin, summary.xMax, settings.binned ? binCount(xs) : 1);
  const Bins yBins(summary.yMin, summary.yMax, settings.binned && twoAxes ? binCount(ys) : 1);

  std::map<std::pair<double, double>, std::vector<double>> groups;
  std::size_t paths = 0;
  for (const auto& [id, run] : runs) {
    const std::pair<double, double> key(settings.binned ? xBins.centre(run.x) : run.x,
                                        settings.binned && twoAxes ? yBins.centre(run.y) : run.y);
    std::vector<double>& group = groups[key];
    paths += run.values.size();
    if (settings.pool == SweepPool::Runs)
      group.push_back(*percentile(run.values, 0.5));
    else
      group.insert(group.end(), run.values.begin(), run.values.end());
  }
  for (auto& [key, values] : groups) {
    const double median = *percentile(values, 0.5);
    if (twoAxes) {
      summary.cells.push_back({key.first, key.second, median});
      continue;
    }
    summary.median.push_back({key.first, median});
    summary.low.push_back({key.first, *percentile(values, 0.1)});
    summary.high.push_back({key.first, *percentile(values, 0.9)});
  }
  summary.caption = captionOf(settings, summary, paths, bins);
  return summary;
}

}  // namespace vk

#include "experiment/VarianceShares.h"

#include <cmath>
#include <map>

#include "analysis/StylizedFacts.h"
#include "experiment/ExperimentRecord.h"
#include "experiment/Plan.h"
#include "experiment/ResultsTable.h"
#include "experiment/RunMetric.h"
#include "io/RunError.h"
#include "io/SplitMix.h"
#include "io/TextFormat.h"

namespace vk {

namespace {

constexpr int kDigits = 6;

// A run's count, sum and sum of squares of its (centred) values.
struct RunStat {
  double n = 0;
  double sum = 0;
  double squares = 0;
};

struct Components {
  double point = 0;
  double seed = 0;
  double path = 0;
  double total() const { return point + seed + path; }
};

// The moment estimates from the runs of each point; NaN where the runs
// cannot tell a level apart (no degrees of freedom).
Components components(const std::vector<std::vector<const RunStat*>>& points) {
  double n = 0, sum = 0, runs = 0, occupied = 0;
  double withinRuns = 0, runSquares = 0, pointSquares = 0;
  double nSquaresOverPoint = 0, nSquares = 0, pointNSquares = 0;
  for (const std::vector<const RunStat*>& point : points) {
    double pn = 0, ps = 0;
    for (const RunStat* r : point) {
      pn += r->n;
      ps += r->sum;
      withinRuns += r->squares - r->sum * r->sum / r->n;
      runSquares += r->sum * r->sum / r->n;
      nSquares += r->n * r->n;
    }
    if (point.empty()) continue;
    for (const RunStat* r : point) nSquaresOverPoint += r->n * r->n / pn;
    runs += static_cast<double>(point.size());
    ++occupied;
    n += pn;
    sum += ps;
    pointSquares += ps * ps / pn;
    pointNSquares += pn * pn;
  }
  const double msPath = withinRuns / (n - runs);
  const double msSeed = (runSquares - pointSquares) / (runs - occupied);
  const double k1 = (n - nSquaresOverPoint) / (runs - occupied);
  const double seed = (msSeed - msPath) / k1;
  Components c;
  c.path = msPath;
  c.seed = std::max(0.0, seed);
  if (occupied > 1) {
    const double msPoint = (pointSquares - sum * sum / n) / (occupied - 1);
    const double k2 = (nSquaresOverPoint - nSquares / n) / (occupied - 1);
    const double k3 = (n - pointNSquares / n) / (occupied - 1);
    c.point = std::max(0.0, (msPoint - msPath - k2 * seed) / k3);
  }
  return c;
}

class ShareDraws {
 public:
  void add(const Components& c) {
    const double total = c.total();
    if (!std::isfinite(total) || total <= 0) return;
    point_.push_back(c.point / total);
    seed_.push_back(c.seed / total);
    path_.push_back(c.path / total);
  }
  void fill(VarianceShare& share, double variance, double total, const std::vector<double>& draws) const {
    share.variance = variance;
    share.share = variance / total;
    share.low = percentile(draws, 0.025).value_or(share.share);
    share.high = percentile(draws, 0.975).value_or(share.share);
  }
  void fill(VarianceSplit& split, const Components& c) const {
    fill(split.point, c.point, c.total(), point_);
    fill(split.seed, c.seed, c.total(), seed_);
    fill(split.path, c.path, c.total(), path_);
  }

 private:
  std::vector<double> point_, seed_, path_;
};

std::string row(const char* level, const VarianceShare& s) {
  return std::string(level) + "," + significant(s.variance, kDigits) + "," + significant(s.share, kDigits) + "," +
         significant(s.low, kDigits) + "," + significant(s.high, kDigits) + "\n";
}

}  // namespace

std::optional<VarianceSplit> splitVariance(const std::vector<NestedValue>& values, int seeds, int resamples,
                                           std::uint64_t bootstrapSeed) {
  if (seeds < 2)
    throw RunError("the experiment has " + std::to_string(seeds) +
                   " seed: the share of the seeds can only be told from that of the paths across two or more");
  double mean = 0;
  for (const NestedValue& v : values) mean += v.value;
  mean /= static_cast<double>(values.size());
  // Runs by point and seed; the values centred so the sums of squares keep their digits.
  std::map<int, std::map<int, RunStat>> runs;
  for (const NestedValue& v : values) {
    RunStat& r = runs[v.point][v.seed];
    const double y = v.value - mean;
    r.n += 1;
    r.sum += y;
    r.squares += y * y;
  }
  std::vector<std::vector<const RunStat*>> all;
  bool repeated = false;
  int runCount = 0;
  for (const auto& [point, bySeed] : runs) {
    all.emplace_back();
    for (const auto& [seed, stat] : bySeed) {
      all.back().push_back(&stat);
      repeated = repeated || stat.n > 1;
      ++runCount;
    }
  }
  if (!repeated) throw RunError("every run has one value: the paths' share cannot be told from the seeds'");
  if (runCount == static_cast<int>(all.size()))
    throw RunError("every point has one run with a value: the seeds' share cannot be told from the points'");
  const Components whole = components(all);
  if (!(whole.total() > 0)) return std::nullopt;

  // Resamples draw seeds; every point takes its runs of the drawn seeds.
  ShareDraws draws;
  SplitMixRandom random(bootstrapSeed);
  std::vector<std::vector<const RunStat*>> picked(all.size());
  for (int b = 0; b < resamples; ++b) {
    std::vector<int> drawn(seeds);
    for (int& s : drawn) s = static_cast<int>(random.below(static_cast<std::uint64_t>(seeds)));
    std::size_t p = 0;
    for (const auto& [point, bySeed] : runs) {
      picked[p].clear();
      for (int s : drawn) {
        const auto found = bySeed.find(s);
        if (found != bySeed.end()) picked[p].push_back(&found->second);
      }
      ++p;
    }
    draws.add(components(picked));
  }
  VarianceSplit split;
  draws.fill(split, whole);
  split.values = static_cast<int>(values.size());
  split.runs = runCount;
  split.points = static_cast<int>(all.size());
  return split;
}

VarianceReport varianceOf(const std::string& dir, const std::string& metric, bool logScale, int resamples) {
  const ExperimentPlan plan = recordedPlan(dir);
  const int seeds = static_cast<int>(plan.description.seeds.size());
  if (seeds < 2)
    throw RunError(dir + " has " + std::to_string(seeds) +
                   " seed: the share of the seeds can only be told from that of the paths across two or more");
  const RunMetric m = readRunMetric(dir + "/" + kResultsFileName, metric, plan.runs.size(), logScale);
  std::vector<NestedValue> values;
  int unfinished = 0;
  for (std::size_t run = 0; run < m.paths.size(); ++run) {
    if (!m.done[run]) ++unfinished;
    // Runs go point by point, the seeds within a point.
    for (double v : m.paths[run]) values.push_back({static_cast<int>(run / seeds), static_cast<int>(run % seeds), v});
  }
  if (values.empty()) throw RunError(dir + "/" + kResultsFileName + " holds no finished run with a value of " + metric);
  VarianceReport report;
  const std::string name = logScale ? "log(" + metric + ")" : metric;
  if (m.emptyRows > 0)
    report.notes.push_back(std::to_string(m.emptyRows) + " path row" + (m.emptyRows == 1 ? "" : "s") +
                           " without a value of " + metric + " left out");
  if (unfinished > 0)
    report.notes.push_back(std::to_string(unfinished) + " run" + (unfinished == 1 ? "" : "s") + " not done left out");
  const std::optional<VarianceSplit> split = splitVariance(values, seeds, resamples, 0);
  report.table = "level,variance,share,share_low,share_high\n";
  if (!split) {
    report.notes.push_back(name + " does not vary: its shares are undefined and left empty");
    report.table += "point,0,,,\nseed,0,,,\npath,0,,,\n";
    return report;
  }
  report.notes.push_back("The variance of " + name + " over " + std::to_string(split->values) + " paths of " +
                         std::to_string(split->runs) + " runs at " + std::to_string(split->points) + " points.");
  report.table += row("point", split->point) + row("seed", split->seed) + row("path", split->path);
  return report;
}

}  // namespace vk

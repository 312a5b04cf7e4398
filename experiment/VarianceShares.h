#pragma once
// sweep variance: how much of a metric's variance lies between the design's
// points, between the seeds of a point, and between the paths of a run.
//
// A nested random-effects model y = mu + a_point + b_seed(point) +
// c_path(run), estimated by the analysis-of-variance moment estimators for
// unbalanced nested designs (S. R. Searle, G. Casella, C. E. McCulloch 1992,
// Variance Components, ch. 4-5): with n_ij the values of run j of point i,
// n_i their sum over the point's runs, N the values, R the runs and P the
// points, and the mean squares MS_path (within runs, N - R degrees of
// freedom), MS_seed (between runs of a point, R - P) and MS_point (P - 1):
//   E MS_path  = s2_path
//   E MS_seed  = s2_path + k1 s2_seed,        k1 = (N - sum_ij n_ij^2 / n_i) / (R - P)
//   E MS_point = s2_path + k2 s2_seed + k3 s2_point,
//                k2 = (sum_ij n_ij^2 / n_i - sum_ij n_ij^2 / N) / (P - 1),
//                k3 = (N - sum_i n_i^2 / N) / (P - 1).
// A component whose estimate is negative is taken as 0 (its share says it
// is not told apart from the level below). The shares are the components
// over their sum. Their 95 % intervals: a percentile bootstrap over seeds,
// each resample drawing the experiment's seeds with replacement and taking
// every point's runs of the drawn seeds.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vk {

// One value of the metric: the point and the seed (by position in the
// experiment's list) of its run.
struct NestedValue {
  int point = 0;
  int seed = 0;
  double value = 0;
};

struct VarianceShare {
  double variance = 0;
  double share = 0;
  double low = 0;
  double high = 0;
};

struct VarianceSplit {
  VarianceShare point;
  VarianceShare seed;
  VarianceShare path;
  int values = 0;
  int runs = 0;
  int points = 0;
};

// Values of at least two seeds, at least one run with two or more paths;
// a RunError saying why otherwise. Empty when the values do not vary.
std::optional<VarianceSplit> splitVariance(const std::vector<NestedValue>& values, int seeds, int resamples,
                                           std::uint64_t bootstrapSeed);

// sweep variance over DIR's results.csv: the table (level, variance,
// share, share_low, share_high; rows point, seed, path) and the notes to
// show (rows left out, the values used). With logScale the natural log of
// a positive metric.
struct VarianceReport {
  std::string table;
  std::vector<std::string> notes;
};
VarianceReport varianceOf(const std::string& dir, const std::string& metric, bool logScale, int resamples);

}  // namespace vk

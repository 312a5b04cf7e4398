// The variance shares: hand-worked moments, a simulated nested experiment
// whose components are known, and the cases that cannot be split.
#include "experiment/VarianceShares.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "io/RunError.h"
#include "io/SplitMix.h"

namespace vk {
namespace {

// Two points, two seeds, two paths: MS_path = 2, s2_seed = (16 - 2) / 2 = 7,
// s2_point = (200 - 2 - 2 * 7) / 4 = 46.
TEST(VarianceShares, SplitsABalancedDesignByItsMeanSquares) {
  const std::vector<NestedValue> values = {{0, 0, 1},  {0, 0, 3},  {0, 1, 5},  {0, 1, 7},
                                           {1, 0, 11}, {1, 0, 13}, {1, 1, 15}, {1, 1, 17}};
  const std::optional<VarianceSplit> split = splitVariance(values, 2, 100, 1);
  ASSERT_TRUE(split);
  EXPECT_NEAR(split->path.variance, 2, 1e-12);
  EXPECT_NEAR(split->seed.variance, 7, 1e-12);
  EXPECT_NEAR(split->point.variance, 46, 1e-12);
  EXPECT_NEAR(split->point.share, 46.0 / 55, 1e-12);
  EXPECT_EQ(split->values, 8);
  EXPECT_EQ(split->runs, 4);
  EXPECT_EQ(split->points, 2);
}

double normal(SplitMixRandom& random) {
  const double u = 1 - random.unit(), v = random.unit();
  return std::sqrt(-2 * std::log(u)) * std::cos(2 * std::acos(-1.0) * v);
}

double sampleVariance(const std::vector<double>& x) {
  double mean = 0, squares = 0;
  for (double v : x) mean += v / static_cast<double>(x.size());
  for (double v : x) squares += (v - mean) * (v - mean);
  return squares / static_cast<double>(x.size() - 1);
}

// Point, seed and path effects of variances 4, 1 and 0.25, with some paths
// missing so that the design is unbalanced: the shares of the effects as
// drawn come back within their intervals.
TEST(VarianceShares, RecoversKnownComponentsOfAnUnbalancedDesign) {
  SplitMixRandom random(42);
  std::vector<NestedValue> values;
  std::vector<double> a, b, c;
  const int points = 40, seeds = 12, paths = 10;
  for (int p = 0; p < points; ++p) {
    a.push_back(2 * normal(random));
    for (int s = 0; s < seeds; ++s) {
      b.push_back(normal(random));
      for (int k = 0; k < paths - (p + s) % 3; ++k) {
        c.push_back(0.5 * normal(random));
        values.push_back({p, s, 10 + a.back() + b.back() + c.back()});
      }
    }
  }
  const std::optional<VarianceSplit> split = splitVariance(values, seeds, 400, 3);
  ASSERT_TRUE(split);
  const double total = sampleVariance(a) + sampleVariance(b) + sampleVariance(c);
  for (const auto& [share, truth] :
       {std::make_pair(split->point, sampleVariance(a) / total), std::make_pair(split->seed, sampleVariance(b) / total),
        std::make_pair(split->path, sampleVariance(c) / total)}) {
    EXPECT_LE(share.low, truth);
    EXPECT_GE(share.high, truth);
    EXPECT_NEAR(share.share, truth, 0.03);
    EXPECT_LE(share.low, share.share);
    EXPECT_GE(share.high, share.share);
  }
  EXPECT_NEAR(split->path.variance, sampleVariance(c), 0.01);
  EXPECT_NEAR(split->point.share + split->seed.share + split->path.share, 1, 1e-12);
}

TEST(VarianceShares, RefusesWhatCannotBeSplitAndLeavesAConstantEmpty) {
  const std::vector<NestedValue> oneSeed = {{0, 0, 1}, {0, 0, 2}, {1, 0, 3}, {1, 0, 5}};
  try {
    splitVariance(oneSeed, 1, 10, 1);
    ADD_FAILURE() << "one seed was split";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("1 seed: the share of the seeds can only be told"), std::string::npos);
  }
  const std::vector<NestedValue> onePath = {{0, 0, 1}, {0, 1, 2}, {1, 0, 3}, {1, 1, 5}};
  EXPECT_THROW(splitVariance(onePath, 2, 10, 1), RunError);
  const std::vector<NestedValue> constant = {{0, 0, 1}, {0, 0, 1}, {0, 1, 1}, {0, 1, 1}};
  EXPECT_FALSE(splitVariance(constant, 2, 10, 1));
}

}  // namespace
}  // namespace vk

// The moving-block bootstrap of the actual changes: its block rule, its
// reproducibility, a spread that matches theory on independent changes, and
// its refusal of a moment the resamples leave undefined.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "analysis/StylizedFacts.h"
#include "calibration/BlockBootstrap.h"
#include "io/RunError.h"
#include "io/SplitMix.h"

namespace vk {
namespace {

std::vector<double> uniformChanges(int n, std::uint64_t seed) {
  std::vector<double> y;
  std::uint64_t counter = seed;
  for (int i = 0; i < n; ++i) {
    counter += kSplitMixIncrement;
    y.push_back(static_cast<double>(splitMixBits(counter) >> 11) / 9007199254740992.0 - 0.5);
  }
  return y;
}

TEST(BlockBootstrapTest, BlocksGrowAsTheCubeRootOfTheWeeks) {
  EXPECT_EQ(bootstrapBlockLength(1), 1);
  EXPECT_EQ(bootstrapBlockLength(8), 2);
  EXPECT_EQ(bootstrapBlockLength(53), 4);
  EXPECT_EQ(bootstrapBlockLength(1000), 10);
}

TEST(BlockBootstrapTest, TheSpreadOfTheMeanMatchesIndependentChanges) {
  // Uniform changes on [-0.5, 0.5]: the mean of n has variance 1 / (12 n).
  const std::vector<double> y = uniformChanges(400, 3);
  const BootstrapMoments b = blockBootstrap(y, {kFactMean, kFactStd}, {"mean", "std"}, 1);
  EXPECT_EQ(b.resamples, kBootstrapResamples);
  EXPECT_NEAR(b.covariance(0, 0), 1.0 / (12.0 * 400.0), 0.25 / (12.0 * 400.0));
  const double actualMean = *stylizedFacts(y)[kFactMean];
  EXPECT_LT(b.lower[0], actualMean);
  EXPECT_GT(b.upper[0], actualMean);
}

TEST(BlockBootstrapTest, TheSameSeedGivesTheSameDrawsAndAnotherOther) {
  const std::vector<double> y = uniformChanges(60, 7);
  const BootstrapMoments a = blockBootstrap(y, {kFactStd, kFactAcfR}, {"std", "acf_r_1"}, 5);
  const BootstrapMoments b = blockBootstrap(y, {kFactStd, kFactAcfR}, {"std", "acf_r_1"}, 5);
  const BootstrapMoments c = blockBootstrap(y, {kFactStd, kFactAcfR}, {"std", "acf_r_1"}, 6);
  EXPECT_EQ(a.covariance, b.covariance);
  EXPECT_NE(a.covariance, c.covariance);
}

TEST(BlockBootstrapTest, RefusesAMomentTheResamplesLeaveUndefined) {
  // Equal changes: every resample is constant and has no skew.
  const std::vector<double> y(40, 0.01);
  try {
    blockBootstrap(y, {kFactStd, kFactSkew}, {"std", "skew"}, 1);
    ADD_FAILURE() << "accepted";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("leaves skew undefined"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace vk

// The designs: Latin hypercube and Sobol points stay in their bounds, fill
// them as promised and come back the same from the same seed.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "experiment/Design.h"
#include "experiment/Plan.h"
#include "io/TextReader.h"
#include "tests/experiment/ExperimentInputs.h"

namespace vk {
namespace {

TEST(Design, LatinHypercubeHasOnePointInEverySliceOfEveryAxis) {
  const int n = 37;
  const auto points = latinHypercube(n, 5, 11);
  ASSERT_EQ(points.size(), static_cast<std::size_t>(n));
  for (int dim = 0; dim < 5; ++dim) {
    std::set<int> slices;
    for (const auto& p : points) {
      ASSERT_GE(p[dim], 0.0);
      ASSERT_LT(p[dim], 1.0);
      slices.insert(static_cast<int>(p[dim] * n));
    }
    EXPECT_EQ(slices.size(), static_cast<std::size_t>(n)) << "axis " << dim;
  }
  EXPECT_EQ(latinHypercube(n, 5, 11), points);
  EXPECT_NE(latinHypercube(n, 5, 12), points);
}

// The first 2^m points of a Sobol sequence put one point in every box of
// size 2^-a x 2^-b with a + b = m in its first two coordinates, and one in
// every slice 2^-m of each axis. A digital shift keeps both.
TEST(Design, SobolPointsAreStratifiedAndShiftedByTheSeed) {
  for (ExperimentSeed seed : {ExperimentSeed{0}, ExperimentSeed{5}}) {
    SCOPED_TRACE(seed);
    const int m = 6;
    const auto points = sobolPoints(1 << m, kMaxSobolDimensions, seed);
    for (int a = 0; a <= m; ++a) {
      std::set<std::pair<int, int>> boxes;
      for (const auto& p : points)
        boxes.insert({static_cast<int>(p[0] * (1 << a)), static_cast<int>(p[1] * (1 << (m - a)))});
      EXPECT_EQ(boxes.size(), static_cast<std::size_t>(1 << m)) << "boxes 2^-" << a << " x 2^-" << m - a;
    }
    for (int dim = 0; dim < kMaxSobolDimensions; ++dim) {
      std::set<int> slices;
      for (const auto& p : points) {
        ASSERT_GE(p[dim], 0.0);
        ASSERT_LT(p[dim], 1.0);
        slices.insert(static_cast<int>(p[dim] * (1 << m)));
      }
      EXPECT_EQ(slices.size(), static_cast<std::size_t>(1 << m)) << "axis " << dim;
    }
    EXPECT_EQ(sobolPoints(1 << m, kMaxSobolDimensions, seed), points);
  }
  // Unshifted, in index order: 0, 1/2, then 1/4 and 3/4 crossed.
  const auto plain = sobolPoints(4, 2, 0);
  EXPECT_EQ(plain[0], (std::vector<double>{0, 0}));
  EXPECT_EQ(plain[1], (std::vector<double>{0.5, 0.5}));
  EXPECT_EQ(plain[2], (std::vector<double>{0.25, 0.75}));
  EXPECT_EQ(plain[3], (std::vector<double>{0.75, 0.25}));
  EXPECT_NE(sobolPoints(4, 2, 1), plain);
}

class SampledDesign : public ::testing::Test {
 protected:
  testing::ExperimentInputs inputs;
};

// Sampled values are the texts para.txt will hold: within the range, reals
// at five decimals, whole numbers covering the range.
TEST_F(SampledDesign, ValuesStayInTheirRangesAsParaTxtHoldsThem) {
  for (const char* kind : {"lhs", "sobol"}) {
    SCOPED_TRACE(kind);
    const std::string text = std::string("inputs = \"in\"\n[vary]\n") +
                             "pcross1 = { from = 0.2, to = 0.3 }\n"
                             "popsize = { from = 4, to = 12 }\n"
                             "[design]\nkind = \"" +
                             kind + "\"\nsamples = 64\nseed = 3\n";
    const ExperimentPlan plan = makePlan(readDescription(inputs.description(text)));
    ASSERT_EQ(plan.points.size(), 64u);
    std::set<int> sizes;
    std::vector<DesignPoint> points;
    for (std::size_t i = 0; i < plan.points.size(); ++i) points.push_back(plan.points[i]);
    for (const DesignPoint& point : points) {
      double cross = 0;
      int size = 0;
      ASSERT_TRUE(parseReal(point[0], cross)) << point[0];
      ASSERT_TRUE(parseInt(point[1], size)) << point[1];
      EXPECT_GE(cross, 0.2);
      EXPECT_LE(cross, 0.3);
      EXPECT_EQ(point[0].size(), 7u) << point[0];  // 0.xxxxx
      EXPECT_GE(size, 4);
      EXPECT_LE(size, 12);
      sizes.insert(size);
    }
    EXPECT_EQ(sizes.size(), 9u);
    const DesignPoints again = makePlan(readDescription(inputs.description(text))).points;
    for (std::size_t i = 0; i < points.size(); ++i) EXPECT_EQ(again[i], points[i]);
  }
}

}  // namespace
}  // namespace vk

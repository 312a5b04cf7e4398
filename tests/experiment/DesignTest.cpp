// The designs: Latin hypercube and Sobol points stay in their bounds, fill
// them as promised and come back the same from the same seed.
#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "experiment/Design.h"
#include "experiment/Plan.h"
#include "io/RunError.h"
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

// An experiment's record replays its runs from the seed, so the design a
// seed gives must stay the same values, not only a design of the same kind.
TEST(Design, ALatinHypercubeKeepsTheValuesOfItsSeed) {
  const std::vector<std::vector<double>> expected = {{0.39573257325701949, 0.025889986836252959},
                                                     {0.61311047375286709, 0.48996851914327288},
                                                     {0.062357880570685836, 0.97950489628653314},
                                                     {0.86698825105571831, 0.71783293996918596}};
  EXPECT_EQ(latinHypercube(4, 2, 7), expected);
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

// Each Saltelli sample is A, then A with one coordinate after another taken
// from B, then B, where A and B are the two halves of one Sobol point.
TEST(Design, SaltelliPointsCrossTheTwoHalvesOfASobolPoint) {
  const int n = 16, k = 3;
  const auto points = saltelliPoints(n, k, 4);
  ASSERT_EQ(points.size(), static_cast<std::size_t>(n * (k + 2)));
  const auto sobol = sobolPoints(n, 2 * k, 4);
  for (int j = 0; j < n; ++j) {
    const std::vector<double> a(sobol[j].begin(), sobol[j].begin() + k), b(sobol[j].begin() + k, sobol[j].end());
    EXPECT_EQ(points[j * (k + 2)], a);
    EXPECT_EQ(points[j * (k + 2) + k + 1], b);
    for (int i = 0; i < k; ++i) {
      std::vector<double> ab = a;
      ab[i] = b[i];
      EXPECT_EQ(points[j * (k + 2) + 1 + i], ab) << "sample " << j << ", factor " << i;
    }
  }
  EXPECT_EQ(saltelliPoints(n, k, 4), points);
  EXPECT_NE(saltelliPoints(n, k, 5), points);
}

// A trajectory starts on the grid and moves every factor once by the same
// half of the levels, staying within [0, 1].
TEST(Design, MorrisTrajectoriesMoveEachFactorOnceByDelta) {
  const int r = 30, levels = 4, k = 5;
  const auto points = morrisPoints(r, levels, k, 8);
  ASSERT_EQ(points.size(), static_cast<std::size_t>(r * (k + 1)));
  const double delta = levels / (2.0 * (levels - 1));
  std::set<int> starts;
  bool up = false, down = false;
  for (int t = 0; t < r; ++t) {
    std::set<int> moved;
    for (int s = 0; s <= k; ++s) {
      const std::vector<double>& p = points[t * (k + 1) + s];
      for (double x : p) {
        EXPECT_NEAR(x * (levels - 1), std::round(x * (levels - 1)), 1e-12);
        EXPECT_GE(x, 0.0);
        EXPECT_LE(x, 1.0);
      }
      if (s == 0) {
        starts.insert(static_cast<int>(std::round(p[0] * (levels - 1))));
        continue;
      }
      const std::vector<double>& before = points[t * (k + 1) + s - 1];
      for (int i = 0; i < k; ++i) {
        if (p[i] == before[i]) continue;
        EXPECT_TRUE(moved.insert(i).second) << "trajectory " << t << " moves factor " << i << " twice";
        EXPECT_NEAR(std::fabs(p[i] - before[i]), delta, 1e-12);
        (p[i] > before[i] ? up : down) = true;
      }
      EXPECT_EQ(moved.size(), static_cast<std::size_t>(s)) << "trajectory " << t << ", step " << s;
    }
  }
  EXPECT_EQ(starts.size(), static_cast<std::size_t>(levels));
  EXPECT_TRUE(up && down);
  EXPECT_EQ(morrisPoints(r, levels, k, 8), points);
  EXPECT_NE(morrisPoints(r, levels, k, 9), points);
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

// The sensitivity designs as experiments: their point counts times the
// seeds, reproducible from the description, and refused where they cannot
// be made.
TEST_F(SampledDesign, SensitivityDesignsCountTheirPointsTimesTheSeeds) {
  const std::string ranges =
      "inputs = \"in\"\n[vary]\npcross1 = { from = 0.2, to = 0.3 }\npopsize = { from = 4, to = 12 }\n"
      "gap1 = { from = 0.2, to = 0.5 }\n[replications]\nseeds = 2\n";
  const ExperimentPlan saltelli =
      makePlan(readDescription(inputs.description(ranges + "[design]\nkind = \"saltelli\"\nsamples = 8\nseed = 1\n")));
  EXPECT_EQ(saltelli.points.size(), 8u * 5);
  EXPECT_EQ(saltelli.runs.size(), 8u * 5 * 2);
  EXPECT_EQ(saltelli.runs[3].point, 1);
  EXPECT_EQ(saltelli.runs[3].seed, 1u);
  EXPECT_EQ(designWarning(saltelli.description), "");
  // Samples that are not a power of two are taken, with a warning.
  const ExperimentPlan twelve =
      makePlan(readDescription(inputs.description(ranges + "[design]\nkind = \"saltelli\"\nsamples = 12\n")));
  EXPECT_EQ(twelve.points.size(), 12u * 5);
  EXPECT_NE(designWarning(twelve.description).find("samples = 12 is not a power of two"), std::string::npos);
  EXPECT_NE(designWarning(twelve.description).find("8 or 16"), std::string::npos);
  const ExperimentPlan morris = makePlan(readDescription(
      inputs.description(ranges + "[design]\nkind = \"morris\"\ntrajectories = 6\nlevels = 4\nseed = 2\n")));
  EXPECT_EQ(morris.points.size(), 6u * 4);
  EXPECT_EQ(morris.runs.size(), 6u * 4 * 2);
  const DesignPoints again =
      makePlan(readDescription(inputs.description(
                   ranges + "[design]\nkind = \"morris\"\ntrajectories = 6\nlevels = 4\nseed = 2\n")))
          .points;
  for (std::size_t i = 0; i < morris.points.size(); ++i) EXPECT_EQ(again[i], morris.points[i]);

  const auto refused = [&](const std::string& design, const std::string& words) {
    try {
      makePlan(readDescription(inputs.description(ranges + "[design]\n" + design)));
      ADD_FAILURE() << "accepted: " << design;
    } catch (const RunError& e) {
      EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
    }
  };
  refused("kind = \"morris\"\ntrajectories = 6\nlevels = 5\n", "design.levels = 5 must be even");
  refused("kind = \"morris\"\nlevels = 4\n", "needs trajectories = R and levels = P");
  refused("kind = \"morris\"\ntrajectories = 6\nlevels = 4\nsamples = 8\n", "not to morris");
  refused("kind = \"saltelli\"\nsamples = 8\nlevels = 4\n", "applies to the design morris, not to saltelli");
  refused("kind = \"saltelli\"\n", "the design saltelli needs samples = N");
  refused("kind = \"saltelli\"\nsamples = 250000\n", "has 1250000 points");
  std::string eleven = "inputs = \"in\"\n[vary]\n";
  for (const char* name :
       {"delta", "trend1", "trend2", "trend3", "pcross1", "pmutation1", "gap1", "pcross2", "pmutation2", "gap2"})
    eleven += std::string(name) + " = { from = 0.2, to = 0.3 }\n";
  eleven += "popsize = { from = 4, to = 12 }\n";
  try {
    makePlan(readDescription(inputs.description(eleven + "[design]\nkind = \"saltelli\"\nsamples = 4\n")));
    ADD_FAILURE() << "eleven ranges accepted";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("varies at most 10 ranges"), std::string::npos) << e.what();
  }
}

// Listed points (a calibration's candidates) are planned as given, in order,
// each with every seed, and checked like any other point.
TEST_F(SampledDesign, ListedPointsArePlannedAsGiven) {
  Description d =
      readDescription(inputs.description("inputs = \"in\"\n[vary]\npopsize = [4]\ndelta = [0.004]\n"
                                         "[replications]\nseeds = [3, 8]\n"));
  d.design = DesignKind::Listed;
  d.listedPoints = {{"10", "0.00500"}, {"6", "0.00300"}, {"10", "0.00500"}};
  const ExperimentPlan plan = makePlan(d);
  ASSERT_EQ(plan.runs.size(), 6u);
  EXPECT_EQ(plan.points[1], (DesignPoint{"6", "0.00300"}));
  const PlannedRun run = plan.runs[3];
  EXPECT_EQ(run.point, 1);
  EXPECT_EQ(run.seed, 8u);
  EXPECT_EQ(run.parameterText.substr(0, 11), "   0.00300\n");
  EXPECT_NE(run.parameterText.find("\n6\n"), std::string::npos);
  d.listedPoints.push_back({"500", "0.00300"});
  EXPECT_THROW(makePlan(d), RunError);
}

}  // namespace
}  // namespace vk

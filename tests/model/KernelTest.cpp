// Every kernel of the model's inner loops against the scalar reference, on
// random structures, populations and factor values: the same bits, and
// nothing written outside the population.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "io/RunError.h"
#include "model/Agent.h"
#include "model/Genetics.h"
#include "model/Kernel.h"
#include "model/PathOutput.h"
#include "model/Random.h"
#include "model/Seed.h"
#include "tests/model/ModelFixture.h"

namespace vk {
namespace {

std::uint64_t bitsOf(double x) {
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

class KernelTest : public testing::ModelTest, public ::testing::WithParamInterface<std::string> {
 protected:
  void SetUp() override {
    for (const ModelKernel* k : allKernels())
      if (k->name == GetParam()) kernel = k;
    ASSERT_NE(kernel, nullptr);
    if (!kernelRunsHere(*kernel)) GTEST_SKIP() << "this processor cannot run the " << GetParam() << " kernel";
  }

  int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

  // A structure within the limits of the run state, plain one time in five.
  void randomStructure() {
    s.stage1Groups = s.stage2Groups = 0;
    s.nWeights = kFactorCount;
    if (uniform(0, 4) == 0) return;
    do {
      s.nWeights = 0;
      s.stage1Groups = uniform(0, kMaxStage1Groups);
      for (int g = 1; g <= s.stage1Groups; ++g) {
        s.stage1Size[g] = uniform(0, kMaxGroupMembers);
        for (int j = 1; j <= s.stage1Size[g]; ++j) s.stage1Factors[g][j] = uniform(1, kFactorCount);
        s.nWeights += s.stage1Size[g];
      }
      s.stage2Groups = uniform(s.stage1Groups == 0 ? 1 : 0, kMaxStage2Groups);
      for (int g = 1; g <= s.stage2Groups; ++g) {
        const int inner = s.stage1Groups == 0 ? 0 : uniform(0, kMaxGroupMembers);
        const int factors = uniform(0, kMaxGroupMembers - inner);
        s.stage2InnerCount[g] = inner;
        s.stage2FactorCount[g] = factors;
        for (int j = 1; j <= inner; ++j) s.stage2Members[g][j] = uniform(1, s.stage1Groups);
        for (int j = inner + 1; j <= inner + factors; ++j) s.stage2Members[g][j] = uniform(1, kFactorCount);
        s.nWeights += inner + factors + 1;
      }
    } while (s.nWeights > kMaxWeights);
  }

  // Mostly small factor values, where sums land near the clamps and on zero,
  // sometimes the extremes of the data file's integers.
  void randomFactors() {
    const int range = uniform(0, 3) == 0 ? 2147483647 : uniform(1, 12);
    for (int i = 1; i <= kFactorCount; ++i) s.factorValue[i] = uniform(-range, range);
  }

  // Random codes for every agent slot, so lanes past popsize hold codes too.
  void randomAgents() {
    s.popsize = uniform(0, 3) == 0 ? kMaxPopsize : uniform(1, kMaxPopsize);
    for (int n = 1; n <= kMaxPopsize; ++n) {
      for (int g = 1; g <= kMaxWeights; ++g) s.agents[n].genes[g] = static_cast<std::int8_t>(uniform(-4, 4));
      s.agents[n].forecast = s.agents[n].strength = s.agents[n].target = 1234.5;
    }
  }

  const ModelKernel* kernel = nullptr;
  std::mt19937 random{20261208};
};

TEST_P(KernelTest, ForecastsEqualTheReferenceBitForBit) {
  const double deltas[] = {0.00435, 0.25, -0.1, 0};
  for (int trial = 0; trial < 300; ++trial) {
    randomStructure();
    randomFactors();
    randomAgents();
    s.ndiv = uniform(0, kMaxNdiv);
    s.delta = deltas[trial % 4];
    std::vector<Agent> reference(s.agents.items, s.agents.items + kMaxPopsize);
    for (int n = 1; n <= s.popsize; ++n) computeForecast(s, reference[n - 1]);
    kernel->forecastAgents(s);
    for (int n = 1; n <= kMaxPopsize; ++n) {
      const Agent& want = reference[n - 1];
      const Agent& got = s.agents[n];
      ASSERT_EQ(bitsOf(got.forecast), bitsOf(want.forecast)) << "trial " << trial << " agent " << n;
      ASSERT_EQ(bitsOf(got.strength), bitsOf(want.strength)) << "trial " << trial << " agent " << n;
      ASSERT_EQ(bitsOf(got.target), bitsOf(want.target)) << "trial " << trial << " agent " << n;
    }
  }
}

// A net sum of -0.5 truncates to level 0: the forecast is +0, written
// "0.000000", never "-0.000000".
TEST_P(KernelTest, ALevelTruncatedFromBelowZeroIsPositiveZero) {
  s.popsize = 3;
  s.nWeights = kFactorCount;
  s.ndiv = 5;
  s.delta = 0.5;
  setFactors({-5});
  for (int n = 1; n <= 3; ++n) setGenes(n, {1});  // one term of -0.5
  kernel->forecastAgents(s);
  for (int n = 1; n <= 3; ++n) {
    EXPECT_FALSE(std::signbit(s.agents[n].forecast)) << n;
    EXPECT_FALSE(std::signbit(s.agents[n].target)) << n;
  }
}

TEST_P(KernelTest, WeightSumsEqualTheReferenceBitForBit) {
  for (int trial = 0; trial < 200; ++trial) {
    randomAgents();
    s.nWeights = uniform(1, kMaxWeights);
    double sums[kPaddedWeights], squares[kPaddedWeights];
    kernel->weightSums(s, sums, squares);
    for (int g = 1; g <= s.nWeights; ++g) {
      double sum, square;
      sumWeight(s, g, sum, square);
      ASSERT_EQ(bitsOf(sums[g - 1]), bitsOf(sum)) << "trial " << trial << " weight " << g;
      ASSERT_EQ(bitsOf(squares[g - 1]), bitsOf(square)) << "trial " << trial << " weight " << g;
    }
  }
}

TEST_P(KernelTest, FirstAtMostFindsTheFirstCoinThatComesUp) {
  std::uniform_real_distribution<double> unit(0, 1);
  double values[55];
  for (int trial = 0; trial < 2000; ++trial) {
    const int count = uniform(0, 55);
    for (double& v : values) v = unit(random);
    const double limits[] = {0, 0.005, 0.3, 1, -1, NAN, values[uniform(0, 54)]};
    for (double p : limits) {
      int expected = 0;
      while (expected < count && !(values[expected] <= p)) ++expected;
      ASSERT_EQ(kernel->firstAtMost(values, count, p), expected) << "count " << count << " p " << p;
    }
  }
}

// A long chain of refills from random tables, some entries equal (a
// difference of exactly 0 must not wrap), some starting with -0.
TEST_P(KernelTest, TableRefillsEqualTheReferenceBitForBit) {
  std::uniform_real_distribution<double> unit(0, 1);
  for (int trial = 0; trial < 100; ++trial) {
    double want[55], got[55];
    for (double& v : want) v = unit(random);
    want[uniform(31, 54)] = want[uniform(0, 23)];
    if (trial % 10 == 0) {  // -0 - +0 is -0, which the refill turns into +0
      want[0] = -0.0;
      want[31] = 0.0;
    }
    std::memcpy(got, want, sizeof want);
    for (int refill = 0; refill < 100; ++refill) {
      advanceTable(want);
      kernel->advanceTable(got);
      for (int i = 0; i < 55; ++i)
        ASSERT_EQ(bitsOf(got[i]), bitsOf(want[i])) << "trial " << trial << " entry " << i + 1;
    }
  }
}

// Refills until a coin comes up: the same tables, the same count and the same
// marks as refilling one table at a time and looking at every entry.
TEST_P(KernelTest, RefillsUntilACoinComesUpStopWhereTheReferenceStops) {
  std::uniform_real_distribution<double> unit(0, 1);
  for (int trial = 0; trial < 300; ++trial) {
    double want[55], got[55];
    for (double& v : want) v = unit(random);
    std::memcpy(got, want, sizeof want);
    const double limits[] = {0.005, 0.0005, 0.02, 0, -1, NAN, 1};
    const double p = limits[trial % 7];
    const int most = uniform(1, 40);
    int wantRefills = 0;
    std::uint64_t wantMarks = 0;
    do {
      advanceTable(want);
      ++wantRefills;
      for (int k = 0; k < 55; ++k)
        if (want[k] <= p) wantMarks |= std::uint64_t{1} << k;
    } while (wantMarks == 0 && wantRefills < most);
    std::uint64_t gotMarks = 1234;
    ASSERT_EQ(kernel->advanceTablesUntilMarked(got, p, most, &gotMarks), wantRefills) << "trial " << trial;
    ASSERT_EQ(gotMarks, wantMarks) << "trial " << trial;
    for (int i = 0; i < 55; ++i) ASSERT_EQ(bitsOf(got[i]), bitsOf(want[i])) << "trial " << trial << " entry " << i + 1;
  }
}

TEST_P(KernelTest, ShufflesEqualTheReferenceWithTheSameDraws) {
  seedRandom(s, kRandomSeed);
  s.kernel = kernel;
  auto reference = newRunState(display);
  // Sizes at the edges of a 64-value word or vector, then sizes at random.
  const int edges[] = {0, 1, 2, 3, 63, 64, 65, 127, 128, 129, 191, 192, 193, kMaxPopsize};
  const int edgeCount = static_cast<int>(sizeof edges / sizeof edges[0]);
  for (int trial = 0; trial < 400; ++trial) {
    const int n = trial < edgeCount ? edges[trial] : uniform(1, kMaxPopsize);
    s.rngIndex = uniform(0, 55);
    reference->rngIndex = s.rngIndex;
    reference->rngTable = s.rngTable;
    drawPermutation(*reference, n);
    kernel->drawPermutation(s, n);
    ASSERT_EQ(s.rngIndex, reference->rngIndex) << "n " << n;
    for (int i = 1; i <= n; ++i) ASSERT_EQ(s.permutation[i], reference->permutation[i]) << "n " << n << " place " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, KernelTest, ::testing::Values("scalar", "avx2", "avx512"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

TEST(KernelChoice, TheVariableForcesAKernelAndRefusesUnknownNames) {
  ::setenv("VELQUIN_KERNEL", "scalar", 1);
  EXPECT_STREQ(chooseKernel().name, "scalar");
  ::setenv("VELQUIN_KERNEL", "avx1024", 1);
  EXPECT_THROW(chooseKernel(), RunError);
  ::unsetenv("VELQUIN_KERNEL");
  const ModelKernel* fastest = nullptr;  // the last one this processor runs
  for (const ModelKernel* k : allKernels())
    if (kernelRunsHere(*k)) fastest = k;
  EXPECT_EQ(&chooseKernel(), fastest);
}

}  // namespace
}  // namespace vk

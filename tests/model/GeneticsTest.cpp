#include <algorithm>
#include <map>
#include <vector>

#include "model/Genetics.h"
#include "model/Random.h"
#include "tests/model/ModelFixture.h"

namespace vk {
namespace {

class Genetics : public testing::ModelTest {
 protected:
  Genetics() { seedRandom(s, kRandomSeed); }

  // Agent n of the previous week carries the code c(n) in every weight and
  // the given fitness; agents starts as its copy, as the path loop leaves it.
  void setPopulation(int popsize, int nWeights, const std::vector<double>& fitness) {
    s.popsize = popsize;
    s.nWeights = nWeights;
    for (int n = 1; n <= popsize; ++n) {
      Agent& a = s.previousAgents[n];
      for (int g = 1; g <= nWeights; ++g) a.genes[g] = static_cast<std::int8_t>(codeOf(n));
      a.fitness = fitness.empty() ? 0 : fitness[n - 1];
      s.agents[n] = a;
    }
  }
  static int codeOf(int n) { return (n + 8) % 9 - 4; }

  std::vector<int> genesOf(const Agent& a) const {
    return std::vector<int>(a.genes.items, a.genes.items + s.nWeights);
  }
  std::vector<int> permutation() const {
    return std::vector<int>(s.permutation.items, s.permutation.items + s.popsize);
  }
};

// The first draws of a run are 0.8204, 0.6353, 0.5161 and one in [1/9, 2/9).
TEST_F(Genetics, ShuffleFollowsTheDrawsAndSumsThePool) {
  setPopulation(5, 1, {-1, -2, -3, -4, -5});
  s.gapCount = 2;
  shufflePermutation(s, 5);
  EXPECT_EQ(permutation(), (std::vector<int>{5, 3, 2, 1, 4}));
  EXPECT_EQ(s.rngIndex, 4);
  EXPECT_EQ(s.minFitness, -5);
  EXPECT_EQ(s.sumFitness, -8.0 - 2 * -5.0 + 2 * 0.1);
}

TEST_F(Genetics, WheelPicksByShiftedFitness) {
  setPopulation(5, 1, {-1, -2, -3, -4, -5});
  s.gapCount = 2;
  shufflePermutation(s, 5);
  // Pool 5, 3 with weights 0.1 and 2.1; the fifth draw lies in [5/9, 6/9).
  EXPECT_EQ(selectParent(s), 3);
}

TEST_F(Genetics, EqualFitnessMakesTheWheelUniform) {
  setPopulation(8, 1, std::vector<double>(8, -2.5));
  s.gapCount = 4;
  shufflePermutation(s, 8);
  std::map<int, int> picks;
  for (int i = 0; i < 8000; ++i) ++picks[selectParent(s)];
  ASSERT_EQ(picks.size(), 4u);
  for (int i = 1; i <= 4; ++i) EXPECT_NEAR(picks[s.permutation[i]], 2000, 200);
}

TEST_F(Genetics, EmptyPoolStillYieldsItsFirstMember) {
  setPopulation(4, 1, {-1, -2, -3, -4});
  s.gapCount = 0;
  shufflePermutation(s, 4);
  const int before = s.rngIndex;
  EXPECT_EQ(selectParent(s), s.permutation[1]);
  EXPECT_EQ(s.rngIndex, before + 1);
}

TEST_F(Genetics, MutationDrawsAsDocumented) {
  s.pmutation = 0;
  for (int code = -4; code <= 4; ++code) EXPECT_EQ(mutateCode(s, code), code);
  EXPECT_EQ(s.rngIndex, 9);  // one coin per code

  s.pmutation = 1;
  std::map<int, int> results;
  for (int i = 0; i < 4000; ++i) {
    const int before = s.rngIndex;
    const int r = mutateCode(s, 2);
    EXPECT_EQ((s.rngIndex - before + 55) % 55, 1);  // no coin, one value
    ++results[r];
  }
  EXPECT_EQ(results.count(2), 0u);
  EXPECT_EQ(results.size(), 8u);
  for (const auto& [code, count] : results) EXPECT_NEAR(count, 500, 100) << code;
}

TEST_F(Genetics, CrossoverWithoutCrossingCopiesTheParents) {
  setPopulation(2, 6, {});
  s.pcross = 0;
  s.pmutation = 0;
  Genes a{}, b{};
  crossover(s, s.previousAgents[1].genes, s.previousAgents[2].genes, a, b);
  EXPECT_EQ(std::vector<int>(a.items, a.items + 6), genesOf(s.previousAgents[1]));
  EXPECT_EQ(std::vector<int>(b.items, b.items + 6), genesOf(s.previousAgents[2]));
  EXPECT_EQ(s.rngIndex, 1 + 2 * 6);
}

TEST_F(Genetics, CrossoverSwapsTheTailsAfterOneSite) {
  setPopulation(2, 6, {});
  s.pcross = 1;
  s.pmutation = 0;
  for (int trial = 0; trial < 50; ++trial) {
    Genes a{}, b{};
    crossover(s, s.previousAgents[1].genes, s.previousAgents[2].genes, a, b);
    int site = 0;
    while (site < 6 && a[site + 1] == codeOf(1)) ++site;
    ASSERT_GE(site, 1);
    ASSERT_LE(site, 5);
    for (int g = 1; g <= 6; ++g) {
      EXPECT_EQ(a[g], g <= site ? codeOf(1) : codeOf(2));
      EXPECT_EQ(b[g], g <= site ? codeOf(2) : codeOf(1));
    }
  }
}

TEST_F(Genetics, SingleWeightCrossesNowhere) {
  setPopulation(2, 1, {});
  s.pcross = 1;
  s.pmutation = 0;
  Genes a{}, b{};
  crossover(s, s.previousAgents[1].genes, s.previousAgents[2].genes, a, b);
  EXPECT_EQ(a[1], codeOf(1));
  EXPECT_EQ(b[1], codeOf(2));
}

class Generation : public Genetics {
 protected:
  Generation() {
    s.ndiv = 3;
    s.delta = 0.1;
    s.teachyear = 5;
    s.week = 3;
    s.stage1Groups = 0;
    s.stage2Groups = 0;
  }
};

TEST_F(Generation, WholePoolIsReplacedByParentCopies) {
  setPopulation(6, 4, {-1, -2, -3, -4, -5, -6});
  s.gapCount = 6;
  s.pcross = 0;
  s.pmutation = 0;
  runGeneration(s);
  for (int n = 1; n <= 6; ++n) {
    // Each child is a copy of one parent and carries that parent's fitness.
    const int parent = -static_cast<int>(s.agents[n].fitness);
    ASSERT_GE(parent, 1);
    ASSERT_LE(parent, 6);
    EXPECT_EQ(genesOf(s.agents[n]), genesOf(s.previousAgents[parent]));
  }
}

TEST_F(Generation, EmptyGapStillRefillsTheFirstTwoSlots) {
  setPopulation(6, 3, {-1, -2, -3, -4, -5, -6});
  s.gapCount = 0;
  s.pcross = 0;
  s.pmutation = 0;
  runGeneration(s);
  const int first = s.permutation[1];
  const int second = s.permutation[2];
  EXPECT_EQ(genesOf(s.agents[first]), genesOf(s.previousAgents[first]));
  EXPECT_EQ(genesOf(s.agents[second]), genesOf(s.previousAgents[first]));
  // The training week's error adds nothing: no factor is set, so every forecast and change is 0.
  EXPECT_EQ(s.agents[second].fitness, s.previousAgents[first].fitness);
  for (int n = 1; n <= 6; ++n) {
    if (n != second) {
      EXPECT_EQ(genesOf(s.agents[n]), genesOf(s.previousAgents[n]));
    }
  }
}

TEST_F(Generation, SurvivorsWithoutMutationKeepTheirCodes) {
  setPopulation(10, 5, {});
  s.gapCount = 2;
  s.pcross = 0.5;
  s.pmutation = 0;
  runGeneration(s);
  int changed = 0;
  for (int n = 1; n <= 10; ++n) changed += genesOf(s.agents[n]) != genesOf(s.previousAgents[n]);
  EXPECT_LE(changed, 2);
  for (int i = 3; i <= 10; ++i)
    EXPECT_EQ(genesOf(s.agents[s.permutation[i]]), genesOf(s.previousAgents[s.permutation[i]]));
}

TEST_F(Generation, PositionsMoveOnlyFromTheSecondSimulatedWeek) {
  setPopulation(4, 2, {});
  s.gapCount = 2;
  for (int n = 1; n <= 4; ++n) s.previousAgents[n].target = 10.0 * n;
  for (int week : {5, 6}) {
    s.week = week;
    runGeneration(s);
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(s.agents[n].position, 0) << "week " << week;
  }
  s.week = 7;
  runGeneration(s);
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(s.agents[n].position, 10.0 * n);
}

}  // namespace
}  // namespace vk

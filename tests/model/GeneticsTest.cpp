#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "model/Genetics.h"
#include "model/Random.h"
#include "model/Seed.h"
#include "tests/model/ModelFixture.h"

namespace vk {
namespace {

class Genetics : public testing::ModelTest {
 protected:
  Genetics() {
    seedRandom(s, kRandomSeed);
    s.ndiv = 3;
    s.delta = 0.1;
    s.teachyear = 5;
    s.week = 3;
  }
  // Previous agent n carries code c(n) in every weight and fitness -n;
  // agents starts as its copy, as the path loop leaves it.
  void setPopulation(int popsize, int nWeights) {
    s.popsize = popsize;
    s.nWeights = nWeights;
    for (int n = 1; n <= popsize; ++n) {
      for (int g = 1; g <= nWeights; ++g) s.previousAgents[n].genes[g] = static_cast<std::int8_t>(codeOf(n));
      s.previousAgents[n].fitness = -n;
      s.agents[n] = s.previousAgents[n];
    }
  }
  static int codeOf(int n) { return (n + 8) % 9 - 4; }
  std::vector<int> genesOf(const Genes& genes) const { return std::vector<int>(genes.items, genes.items + s.nWeights); }
};

// The first draws of a run are 0.8204, 0.6353, 0.5161, one in [1/9, 2/9) and
// one in [5/9, 6/9).
TEST_F(Genetics, ShuffleAndWheelFollowTheDraws) {
  setPopulation(5, 1);
  s.gapCount = 2;
  shufflePermutation(s, 5);
  EXPECT_EQ(std::vector<int>(s.permutation.items, s.permutation.items + 5), (std::vector<int>{5, 3, 2, 1, 4}));
  EXPECT_EQ(s.minFitness, -5);
  EXPECT_EQ(s.sumFitness, -8.0 - 2 * -5.0 + 2 * 0.1);
  EXPECT_EQ(selectParent(s), 3);  // pool 5, 3 weighs 0.1 and 2.1
  s.gapCount = 0;                 // an empty pool still yields its first member
  shufflePermutation(s, 5);
  EXPECT_EQ(selectParent(s), s.permutation[1]);
}

// Each spin as the wheel was first written: the weights added up afresh
// until the total reaches the number or the pool ends.
int spinAddingEachWeight(const RunState& s, double r) {
  double partial = 0;
  int j = 0;
  do {
    j = j + 1;
    partial = partial + (s.previousAgents[s.permutation[j]].fitness - s.minFitness + 0.1);
  } while (!(partial >= r || j >= s.gapCount));
  return s.permutation[j];
}

// The running totals kept from the shuffle pick the same parent as adding up
// the weights at every spin, also when fitness is not a finite number.
TEST_F(Genetics, WheelTotalsPickWhatEverySpinWouldAddUp) {
  setPopulation(40, 1);
  const double odd[] = {NAN, INFINITY, -INFINITY, 1e300, -1e-300, 0.0};
  for (int round = 0; round < 60; ++round) {
    for (int n = 1; n <= 40; ++n) s.previousAgents[n].fitness = (n * 7919 + round * 104729) % 1000 / 37.0 - 9;
    if (round % 2 == 1) s.previousAgents[round % 40 + 1].fitness = odd[round / 2 % 6];
    s.gapCount = round % 41;
    shufflePermutation(s, 40);
    for (int spin = 0; spin < 20; ++spin) {
      // The number the spin will draw, with the generator put back.
      const auto index = s.rngIndex;
      const auto table = s.rngTable;
      const double r = nextRandom(s) * s.sumFitness;
      s.rngIndex = index;
      s.rngTable = table;
      const int expected = spinAddingEachWeight(s, r);
      ASSERT_EQ(selectParent(s), expected) << "round " << round << ", spin " << spin;
    }
  }
}

TEST_F(Genetics, MutationAlwaysChangesTheCodeWhenItFires) {
  s.pmutation = 0;
  for (int code = -4; code <= 4; ++code) EXPECT_EQ(mutateCode(s, code), code);
  EXPECT_EQ(s.rngIndex, 9);  // one coin per code
  s.pmutation = 1;
  std::map<int, int> results;
  for (int i = 0; i < 4000; ++i) ++results[mutateCode(s, 2)];
  EXPECT_EQ(results.count(2), 0u);
  for (int code : {-4, -3, -2, -1, 0, 1, 3, 4}) EXPECT_NEAR(results[code], 500, 100) << code;
}

TEST_F(Genetics, CrossoverSwapsTheTailsAfterOneSite) {
  setPopulation(2, 6);
  s.pmutation = 0;
  Genes a{}, b{};
  s.pcross = 0;
  crossover(s, s.previousAgents[1].genes, s.previousAgents[2].genes, a, b);
  EXPECT_EQ(genesOf(a), genesOf(s.previousAgents[1].genes));
  EXPECT_EQ(genesOf(b), genesOf(s.previousAgents[2].genes));
  s.pcross = 1;
  for (int trial = 0; trial < 20; ++trial) {
    crossover(s, s.previousAgents[1].genes, s.previousAgents[2].genes, a, b);
    int site = 0;
    while (site < 6 && a[site + 1] == codeOf(1)) ++site;
    ASSERT_TRUE(site >= 1 && site <= 5);
    for (int g = 1; g <= 6; ++g) {
      EXPECT_EQ(a[g], g <= site ? codeOf(1) : codeOf(2));
      EXPECT_EQ(b[g], g <= site ? codeOf(2) : codeOf(1));
    }
  }
}

// The draws one code at a time, as the learning defines them: a coin per
// code, and one more number for each code that mutates.
void mutateCopyCodeByCode(RunState& s, const Genes& parent, Genes& child) {
  for (int g = 1; g <= s.nWeights; ++g) child[g] = static_cast<std::int8_t>(mutateCode(s, parent[g]));
}

void crossoverCodeByCode(RunState& s, const Genes& parentA, const Genes& parentB, Genes& childA, Genes& childB) {
  const int length = s.nWeights;
  const int site = flip(s, s.pcross) ? randomInt(s, 1, length - 1) : length;
  for (int g = 1; g <= site; ++g) {
    childA[g] = static_cast<std::int8_t>(mutateCode(s, parentA[g]));
    childB[g] = static_cast<std::int8_t>(mutateCode(s, parentB[g]));
  }
  if (site != length) {
    for (int g = site + 1; g <= length; ++g) {
      childA[g] = static_cast<std::int8_t>(mutateCode(s, parentB[g]));
      childB[g] = static_cast<std::int8_t>(mutateCode(s, parentA[g]));
    }
  }
}

// The copies skip runs of unmutated codes by scanning the random table; they
// must leave the same codes and the same generator state as the code-by-code
// draws, across table refills, for every rate (1 draws no coin at all).
TEST_F(Genetics, MutationScanDrawsExactlyAsCodeByCode) {
  const double rates[] = {0, 1e-9, 0.002, 0.05, 0.5, 0.999, 1.0, 2.0, NAN};
  for (int length : {0, 1, 7, 28, 56, 100}) {
    setPopulation(2, std::max(length, 1));
    s.nWeights = length;
    for (int g = 1; g <= kMaxWeights; ++g) s.previousAgents[2].genes[g] = static_cast<std::int8_t>(g % 9 - 4);
    for (double rate : rates) {
      for (int trial = 0; trial < 40; ++trial) {
        s.pmutation = rate;
        s.pcross = trial % 3 == 0 ? 0 : 0.7;
        auto reference = newRunState(display);
        reference->rngIndex = s.rngIndex;
        reference->rngTable = s.rngTable;
        reference->nWeights = s.nWeights;
        reference->pmutation = s.pmutation;
        reference->pcross = s.pcross;
        const Genes& a = s.previousAgents[1].genes;
        const Genes& b = s.previousAgents[2].genes;
        Genes wantA = s.agents[1].genes, wantB = s.agents[2].genes;
        Genes gotA = wantA, gotB = wantB;
        if (trial % 2 == 0) {
          mutateCopyCodeByCode(*reference, a, wantA);
          mutateCopy(s, a, gotA);
        } else {
          crossoverCodeByCode(*reference, a, b, wantA, wantB);
          crossover(s, a, b, gotA, gotB);
        }
        const std::string where =
            "length " + std::to_string(length) + " rate " + std::to_string(rate) + " trial " + std::to_string(trial);
        ASSERT_EQ(s.rngIndex, reference->rngIndex) << where;
        for (int i = 1; i <= 55; ++i) ASSERT_EQ(s.rngTable[i], reference->rngTable[i]) << where;
        for (int g = 1; g <= std::max(length, 1); ++g) {  // with no weights, the first codes still mutate
          ASSERT_EQ(gotA[g], wantA[g]) << where << " weight " << g;
          ASSERT_EQ(gotB[g], wantB[g]) << where << " weight " << g;
        }
      }
    }
  }
}

TEST_F(Genetics, GenerationReplacesOnlyThePoolWithParentCopies) {
  setPopulation(6, 4);
  s.pcross = 0;
  s.pmutation = 0;
  s.gapCount = 6;
  runGeneration(s);
  for (int n = 1; n <= 6; ++n) {
    const int parent = -static_cast<int>(s.agents[n].fitness);  // children carry their parent's fitness
    EXPECT_EQ(genesOf(s.agents[n].genes), genesOf(s.previousAgents[parent].genes));
  }
  setPopulation(6, 4);
  s.gapCount = 0;  // the pair loop still refills two slots from the pool's first member
  runGeneration(s);
  for (int i = 1; i <= 6; ++i) {
    const int n = s.permutation[i];
    EXPECT_EQ(genesOf(s.agents[n].genes), genesOf(s.previousAgents[i <= 2 ? s.permutation[1] : n].genes));
  }
}

TEST_F(Genetics, PositionsMoveOnlyFromTheSecondSimulatedWeek) {
  setPopulation(4, 2);
  s.gapCount = 2;
  for (int n = 1; n <= 4; ++n) s.previousAgents[n].target = 10.0 * n;
  for (int week : {5, 6, 7}) {
    s.week = week;
    runGeneration(s);
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(s.agents[n].position, week == 7 ? 10.0 * n : 0) << week;
  }
}

}  // namespace
}  // namespace vk

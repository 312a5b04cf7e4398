#include "model/Genetics.h"

#include "model/Agent.h"
#include "model/Market.h"
#include "model/Random.h"

namespace vk {

namespace {

// Shifted fitness: the worst member of the pool still weighs 0.1.
double wheelWeight(const RunState& s, int n) { return s.previousAgents[n].fitness - s.minFitness + 0.1; }

void mutateSurvivors(RunState& s) {
  for (int i = s.gapCount + 1; i <= s.popsize; ++i) {
    const int n = s.permutation[i];
    const Genes& parent = s.previousAgents[n].genes;
    Genes& child = s.agents[n].genes;
    for (int g = 1; g <= s.nWeights; ++g) child[g] = static_cast<std::int8_t>(mutateCode(s, parent[g]));
  }
}

// The slots of the parent pool receive the children, two at a time; a child
// keeps its slot's position and target and takes its parent's fitness. The
// loop runs at least once, also for an empty pool.
void breedChildren(RunState& s) {
  int i = 1;
  do {
    const int mate1 = selectParent(s);
    const int mate2 = selectParent(s);
    Agent& childA = s.agents[s.permutation[i]];
    Agent& childB = s.agents[s.permutation[i + 1]];
    crossover(s, s.previousAgents[mate1].genes, s.previousAgents[mate2].genes, childA.genes, childB.genes);
    childA.fitness = s.previousAgents[mate1].fitness;
    childB.fitness = s.previousAgents[mate2].fitness;
    i = i + 2;
  } while (i <= s.gapCount);
}

// Holdings carry forward only from the second simulated week on; before that
// every position stays at its path-start value.
void forecastAll(RunState& s) {
  const bool carryPositions = s.week > s.teachyear + 1;
  for (int n = 1; n <= s.popsize; ++n) {
    Agent& a = s.agents[n];
    if (carryPositions) a.position = s.previousAgents[n].target;
    computeForecast(s, a);
  }
}

}  // namespace

void shufflePermutation(RunState& s, int n) {
  for (int i = 1; i <= n; ++i) s.permutation[i] = i;
  for (int i = 1; i <= n - 1; ++i) {
    const int j = randomInt(s, i, n);
    const int v = s.permutation[j];
    for (int m = j; m > i; --m) s.permutation[m] = s.permutation[m - 1];
    s.permutation[i] = v;
  }
  double sum = s.previousAgents[s.permutation[1]].fitness;
  double minimum = sum;
  for (int i = 2; i <= s.gapCount; ++i) {
    const double f = s.previousAgents[s.permutation[i]].fitness;
    sum = sum + f;
    if (f < minimum) minimum = f;
  }
  s.minFitness = minimum;
  // The wheel's total: the plain fitness sum, corrected afterwards for the
  // shift that makes every wheel weight positive (fitness - minimum + 0.1).
  // Summing the shifted weights instead rounds differently, and the total
  // decides which parent every random number selects.
  s.sumFitness = sum - s.gapCount * minimum + s.gapCount * 0.1;
}

int selectParent(RunState& s) {
  const double r = nextRandom(s) * s.sumFitness;
  double partial = 0;
  int j = 0;
  // Stopping at the pool's end (or at its first member when the pool is
  // empty) keeps the wheel inside the population whatever the fitness holds.
  do {
    j = j + 1;
    partial = partial + wheelWeight(s, s.permutation[j]);
  } while (!(partial >= r || j >= s.gapCount));
  return s.permutation[j];
}

int mutateCode(RunState& s, int code) {
  if (!flip(s, s.pmutation)) return code;
  int r = randomInt(s, 0, 7) - 4;
  if (r >= code) r = r + 1;
  return r;
}

void crossover(RunState& s, const Genes& parentA, const Genes& parentB, Genes& childA, Genes& childB) {
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

void runGeneration(RunState& s) {
  shufflePermutation(s, s.popsize);
  if (s.gapCount < s.popsize) mutateSurvivors(s);
  breedChildren(s);
  forecastAll(s);
  clearMarket(s);
}

}  // namespace vk

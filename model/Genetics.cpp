#include "model/Genetics.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "model/Agent.h"
#include "model/Kernel.h"
#include "model/Market.h"
#include "model/Random.h"

namespace vk {

namespace {

// Shifted fitness: the worst member of the pool still weighs 0.1.
double wheelWeight(const RunState& s, int n) { return s.previousAgents[n].fitness - s.minFitness + 0.1; }

// One of the eight codes other than code, each equally likely.
int otherCode(RunState& s, int code) {
  int r = randomInt(s, 0, 7) - 4;
  if (r >= code) r = r + 1;
  return r;
}

// Draws the mutation coins of up to count codes in a row, as flip(pmutation)
// draws them one by one, and stops after the first coin that says "mutate".
// Returns how many coins said "keep" before it (count when none said
// "mutate"). Runs of keeps are found by scanning the random table instead of
// drawing each number; tables refilled here are marked as they are renewed,
// which spares reading them back. pmutation must not be exactly 1 (flip draws
// nothing then).
int keptCodes(RunState& s, int count) {
  const ModelKernel& kernel = kernelOf(s);
  int kept = 0;
  while (kept < count) {
    int available, run;
    if (s.rngIndex >= 55) {
      // Every table before the last one refilled here is a run of 55 keeps.
      const int tables = (count - kept + 54) / 55;
      std::uint64_t mutate = 0;
      const int refills = kernel.advanceTablesUntilMarked(s.rngTable.items, s.pmutation, tables, &mutate);
      kept += 55 * (refills - 1);
      s.rngIndex = 0;
      available = std::min(55, count - kept);
      run = mutate == 0 ? available : std::min(__builtin_ctzll(mutate), available);
    } else {
      available = std::min(55 - s.rngIndex, count - kept);
      run = kernel.firstAtMost(s.rngTable.at(s.rngIndex + 1), available, s.pmutation);
    }
    s.rngIndex += run;
    kept += run;
    if (run < available) {
      s.rngIndex += 1;
      return kept;
    }
  }
  return kept;
}

// mutateCode on each of count codes in order, in place: code(i), i = 0..count - 1,
// holds the code to mutate. The draws are those of the calls in that order.
template <typename CodeAt>
void mutateInPlace(RunState& s, int count, CodeAt code) {
  if (s.pmutation == 1.0) {
    for (int i = 0; i < count; ++i) code(i) = static_cast<std::int8_t>(otherCode(s, code(i)));
    return;
  }
  int i = keptCodes(s, count);
  while (i < count) {
    code(i) = static_cast<std::int8_t>(otherCode(s, code(i)));
    i = i + 1 + keptCodes(s, count - i - 1);
  }
}

// mutateCopy on every survivor in turn, as one run of codes, so that a scan
// of the random table can pass from one survivor to the next.
void mutateSurvivors(RunState& s) {
  const int first = s.gapCount + 1;
  for (int i = first; i <= s.popsize; ++i) {
    const int n = s.permutation[i];
    s.agents[n].genes = s.previousAgents[n].genes;
  }
  const int length = s.nWeights;
  if (length < 1) return;
  mutateInPlace(s, (s.popsize - first + 1) * length, [&s, first, length](int i) -> std::int8_t& {
    return s.agents[s.permutation[first + i / length]].genes[i % length + 1];
  });
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
// The forecast reads no position, so every position moves before any forecast.
void forecastAll(RunState& s) {
  if (s.week > s.teachyear + 1)
    for (int n = 1; n <= s.popsize; ++n) s.agents[n].position = s.previousAgents[n].target;
  forecastAgents(s);
}

}  // namespace

void mutateCopy(RunState& s, const Genes& parent, Genes& child) {
  // The whole array in one fixed-size copy: far cheaper than a copy of
  // nWeights bytes, which becomes a library call.
  child = parent;
  mutateInPlace(s, s.nWeights, [&child](int i) -> std::int8_t& { return child[i + 1]; });
}

void drawPermutation(RunState& s, int n) {
  for (int i = 1; i <= n; ++i) s.permutation[i] = i;
  for (int i = 1; i <= n - 1; ++i) {
    const int j = randomInt(s, i, n);
    const int v = s.permutation[j];
    for (int m = j; m > i; --m) s.permutation[m] = s.permutation[m - 1];
    s.permutation[i] = v;
  }
}

void shufflePermutation(RunState& s, int n) {
  kernelOf(s).drawPermutation(s, n);
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
  // The wheel's running totals, as each spin would add them up again: every
  // spin of the week stops at the first total that reaches its number.
  double partial = 0;
  for (int j = 1; j <= std::max(s.gapCount, 1); ++j) {
    partial = partial + wheelWeight(s, s.permutation[j]);
    s.wheelTotal[j] = partial;
  }
}

int selectParent(RunState& s) {
  const double r = nextRandom(s) * s.sumFitness;
  // Stopping at the pool's end (or at its first member when the pool is
  // empty) keeps the wheel inside the population whatever the fitness holds.
  int j = 1;
  while (!(s.wheelTotal[j] >= r || j >= s.gapCount)) j = j + 1;
  return s.permutation[j];
}

int mutateCode(RunState& s, int code) {
  if (!flip(s, s.pmutation)) return code;
  return otherCode(s, code);
}

void crossover(RunState& s, const Genes& parentA, const Genes& parentB, Genes& childA, Genes& childB) {
  const int length = s.nWeights;
  const int site = flip(s, s.pcross) ? randomInt(s, 1, length - 1) : length;
  // With no weights at all the site is still 1, and the first codes still mutate.
  const int last = std::max(site, length);
  if (last < 1) return;
  childA = parentA;
  childB = parentB;
  for (int g = site + 1; g <= length; ++g) std::swap(childA[g], childB[g]);
  // The codes mutate in the order childA[1], childB[1], childA[2], ... across
  // the site, as mutateCode on each in turn would.
  mutateInPlace(s, 2 * last, [&childA, &childB](int i) -> std::int8_t& {
    return i % 2 == 0 ? childA[i / 2 + 1] : childB[i / 2 + 1];
  });
}

void runGeneration(RunState& s) {
  shufflePermutation(s, s.popsize);
  if (s.gapCount < s.popsize) mutateSurvivors(s);
  breedChildren(s);
  forecastAll(s);
  clearMarket(s);
}

}  // namespace vk

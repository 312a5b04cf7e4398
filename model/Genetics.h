#pragma once
// The weekly generation of the genetic learning: a random generation gap of
// the population is replaced by children of roulette-wheel parents (one-point
// crossover, mutation), the rest survive with mutation only; then positions
// move forward, every agent forecasts and the market clears.
//
// The order of the random draws is part of the behaviour: a replayed path
// must draw the same numbers in the same order.
#include "model/RunState.h"

namespace vk {

using Genes = decltype(Agent::genes);

// One complete model week. week, gapCount, pcross and pmutation are set and
// the week's factor values loaded; agents equals previousAgents on entry.
void runGeneration(RunState& s);

// A new random order of 1..n in permutation, and the fitness sum and minimum
// of the parent pool permutation[1..gapCount] (previousAgents' fitness),
// with the wheel's running totals that selectParent reads.
void shufflePermutation(RunState& s, int n);

// The random order alone: for i = 1..n - 1 the entry at randomInt(i, n) moves
// to place i and the entries between move up one place. The reference of the
// kernels' shuffles.
void drawPermutation(RunState& s, int n);

// An agent number of the parent pool, by roulette wheel on shifted fitness.
int selectParent(RunState& s);

// With probability pmutation one of the eight other codes, each equally
// likely; otherwise the code itself. Always draws at least one number
// unless pmutation is exactly 1.
int mutateCode(RunState& s, int code);

// child[g] = mutateCode(parent[g]) for g = 1..nWeights, in order; the codes
// past nWeights, which nothing reads, are copied. child is an array other
// than parent.
void mutateCopy(RunState& s, const Genes& parent, Genes& child);

// One-point crossover over nWeights codes, every code passing mutateCode.
// The children are arrays other than the parents; their codes past the
// crossed ones, which nothing reads, are their first parents'.
void crossover(RunState& s, const Genes& parentA, const Genes& parentB, Genes& childA, Genes& childB);

}  // namespace vk

#pragma once
// The routines every vector kernel shares, written once over a lane type L
// that each kernel's file defines: the forecasts of a block of agents, one
// agent per lane, and the weight sums, one weight per lane.
//
// A kernel's file defines VK_LANE_TARGET as its target attribute before it
// includes this header, so every routine here is compiled for that target in
// that file alone. Everything stays in an unnamed namespace: the copies of
// two kernels never meet, and none is merged with a plain copy elsewhere.
//
// L supplies, all with the target attribute:
//   Vec, kLanes                      a vector of kLanes doubles
//   zero(), broadcast(x)             the vector of +0s, of x
//   add, sub, mul, sqrt, abs         lane by lane, no fused multiply-add
//   loadu(p), storeu(p, v)           kLanes doubles from or to p
//   clampWhole(x, limit)             clampTrend or clampLevel of each lane
//   addTerm(term, positive, negative) the positive terms to one sum, the
//                                    magnitudes of the others to the other
//   Codes, gatherCodes(codes)        the 8 code bytes at codes in the record
//                                    of each of kLanes agents, one per lane
//   weightOfCodes(codes)             the weight of each lane's lowest code
//   nextCode(codes)                  each lane's next code byte lowest
//   weightsOfCodes(codes)            the weights of kLanes codes in a row
#include <algorithm>
#include <cstddef>

#include "model/Agent.h"
#include "model/Kernel.h"
#include "model/Levels.h"
#include "model/Limits.h"
#include "model/RunState.h"

#ifndef VK_LANE_TARGET
#error "a kernel's file defines VK_LANE_TARGET before it includes model/LaneKernel.h"
#endif

namespace vk {

namespace {

// A block of agents starting at any agent 1..popsize stays inside the agent
// array, and the eight code bytes read from weight 97 on stay inside the
// agent record (weights 101..104 read its padding and are never used).
template <class L>
constexpr bool kBlocksFit = kMaxPopsize % L::kLanes == 0 &&
                            offsetof(Agent, genes) + kPaddedWeights <= offsetof(Agent, forecast) &&
                            kPaddedWeights % 8 == 0 && kPaddedWeights % L::kLanes == 0 && kPaddedWeights >= kMaxWeights;

// weights[k - 1] holds weight k of agents first..first + kLanes - 1, one per lane.
template <class L>
VK_LANE_TARGET void decodeBlock(const RunState& s, int first, typename L::Vec* weights) {
  const auto* codes = reinterpret_cast<const char*>(s.agents[first].genes.items);
  for (int k = 0; k < s.nWeights; k += 8) {
    typename L::Codes eight = L::gatherCodes(codes + k);
    for (int b = 0; b < 8; ++b) {
      weights[k + b] = L::weightOfCodes(eight);
      eight = L::nextCode(eight);
    }
  }
}

// The term sums of computeForecast (model/Agent.cpp) for the block from
// agent first: the same products and sums in the same order, one agent per lane.
template <class L>
VK_LANE_TARGET void sumTermsOfBlock(const RunState& s, const double* factor, int first, double* positives,
                                    double* negatives) {
  using Vec = typename L::Vec;
  Vec weight[kPaddedWeights];
  decodeBlock<L>(s, first, weight);
  Vec positive = L::zero();
  Vec negative = L::zero();
  int k = 0;
  if (s.stage1Groups == 0 && s.stage2Groups == 0) {
    for (int i = 1; i <= s.nWeights; ++i) L::addTerm(L::mul(L::broadcast(factor[i]), weight[k++]), positive, negative);
  } else {
    Vec stage1Out[kMaxStage1Groups + 1];
    for (int g = 1; g <= s.stage1Groups; ++g) {
      Vec sum = L::zero();
      for (int j = 1; j <= s.stage1Size[g]; ++j)
        sum = L::add(sum, L::mul(L::broadcast(factor[s.stage1Factors[g][j]]), weight[k++]));
      stage1Out[g] = L::clampWhole(sum, kMaxTrendLevel);
    }
    Vec stage2Out[kMaxStage2Groups + 1];
    for (int g = 1; g <= s.stage2Groups; ++g) {
      const int inner = s.stage2InnerCount[g];
      const int members = inner + s.stage2FactorCount[g];
      Vec sum = L::zero();
      for (int j = 1; j <= inner; ++j) sum = L::add(sum, L::mul(stage1Out[s.stage2Members[g][j]], weight[k++]));
      for (int j = inner + 1; j <= members; ++j)
        sum = L::add(sum, L::mul(L::broadcast(factor[s.stage2Members[g][j]]), weight[k++]));
      stage2Out[g] = L::clampWhole(sum, kMaxTrendLevel);
    }
    for (int g = 1; g <= s.stage2Groups; ++g) L::addTerm(L::mul(stage2Out[g], weight[k++]), positive, negative);
  }
  L::storeu(positives + first - 1, positive);
  L::storeu(negatives + first - 1, negative);
}

// The rest of computeForecast for agents first..first + lanes - 1 from their
// term sums.
template <class L>
VK_LANE_TARGET void finishBlock(RunState& s, const double* positives, const double* negatives, int first, int lanes) {
  using Vec = typename L::Vec;
  const Vec positive = L::loadu(positives + first - 1);
  const Vec negative = L::loadu(negatives + first - 1);
  const Vec difference = L::sub(L::mul(positive, positive), L::mul(negative, negative));
  const Vec strength = L::sqrt(L::abs(difference));
  const Vec level = L::clampWhole(L::sub(positive, negative), s.ndiv);
  const Vec forecast = L::mul(level, L::broadcast(s.delta));
  const Vec target = L::mul(strength, forecast);
  double forecasts[L::kLanes], strengths[L::kLanes], targets[L::kLanes];
  L::storeu(forecasts, forecast);
  L::storeu(strengths, strength);
  L::storeu(targets, target);
  for (int lane = 0; lane < lanes; ++lane) {
    Agent& a = s.agents[first + lane];
    a.forecast = forecasts[lane];
    a.strength = strengths[lane];
    a.target = targets[lane];
  }
}

// forecastAgents of the kernel. The sums of every block come first and the
// square roots after them: a square root is slow to finish, and the blocks'
// sums do not wait for it.
template <class L>
VK_LANE_TARGET void forecastAgentsInLanes(RunState& s) {
  static_assert(kBlocksFit<L>, "a block of agents or of code bytes reaches past its array");
  double factor[kFactorCount + 1];
  for (int i = 1; i <= kFactorCount; ++i) factor[i] = s.factorValue[i];
  alignas(64) double positives[kMaxPopsize], negatives[kMaxPopsize];
  for (int first = 1; first <= s.popsize; first += L::kLanes)
    sumTermsOfBlock<L>(s, factor, first, positives, negatives);
  for (int first = 1; first <= s.popsize; first += L::kLanes)
    finishBlock<L>(s, positives, negatives, first, std::min(L::kLanes, s.popsize - first + 1));
}

// weightSums of the kernel: sumWeight (model/PathOutput.cpp) for kLanes
// weights per vector, agent by agent in order.
template <class L>
VK_LANE_TARGET void weightSumsInLanes(const RunState& s, double* sums, double* squares) {
  using Vec = typename L::Vec;
  const int groups = (s.nWeights + L::kLanes - 1) / L::kLanes;
  Vec sum[kPaddedWeights / L::kLanes], square[kPaddedWeights / L::kLanes];
  for (int c = 0; c < groups; ++c) sum[c] = square[c] = L::zero();
  for (int n = 1; n <= s.popsize; ++n) {
    const auto* codes = reinterpret_cast<const char*>(s.agents[n].genes.items);
    for (int c = 0; c < groups; ++c) {
      const Vec v = L::weightsOfCodes(codes + c * L::kLanes);
      sum[c] = L::add(sum[c], v);
      square[c] = L::add(square[c], L::mul(v, v));
    }
  }
  for (int c = 0; c < groups; ++c) {
    L::storeu(sums + c * L::kLanes, sum[c]);
    L::storeu(squares + c * L::kLanes, square[c]);
  }
}

}  // namespace

}  // namespace vk

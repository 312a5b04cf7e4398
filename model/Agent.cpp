#include "model/Agent.h"

#include <cmath>

#include "model/Kernel.h"
#include "model/Levels.h"
#include "model/RunState.h"

namespace vk {

namespace {

// The positive terms and the magnitudes of the others, each summed in the
// order the terms arise.
struct TermSums {
  double positive = 0;
  double negative = 0;

  void add(double term) {
    if (term > 0)
      positive = positive + term;
    else
      negative = negative + std::fabs(term);
  }
};

void collectPlainTerms(const RunState& s, const Agent& agent, TermSums& sums) {
  for (int i = 1; i <= s.nWeights; ++i) sums.add(s.factorValue[i] * decodeWeight(agent.genes[i]));
}

void collectStagedTerms(const RunState& s, const Agent& agent, TermSums& sums) {
  int stage1Out[kMaxStage1Groups + 1] = {};
  int k = 1;  // the weight cursor: every use takes the next weight
  for (int g = 1; g <= s.stage1Groups; ++g) {
    double sum = 0;
    for (int j = 1; j <= s.stage1Size[g]; ++j)
      sum = sum + s.factorValue[s.stage1Factors[g][j]] * decodeWeight(agent.genes[k++]);
    stage1Out[g] = clampTrend(sum);
  }
  int stage2Out[kMaxStage2Groups + 1];
  for (int g = 1; g <= s.stage2Groups; ++g) {
    const int inner = s.stage2InnerCount[g];
    const int members = inner + s.stage2FactorCount[g];
    double sum = 0;
    for (int j = 1; j <= inner; ++j) sum = sum + stage1Out[s.stage2Members[g][j]] * decodeWeight(agent.genes[k++]);
    for (int j = inner + 1; j <= members; ++j)
      sum = sum + s.factorValue[s.stage2Members[g][j]] * decodeWeight(agent.genes[k++]);
    stage2Out[g] = clampTrend(sum);
  }
  for (int g = 1; g <= s.stage2Groups; ++g) sums.add(stage2Out[g] * decodeWeight(agent.genes[k++]));
}

}  // namespace

void computeForecast(const RunState& s, Agent& agent) {
  TermSums sums;
  if (s.stage1Groups == 0 && s.stage2Groups == 0)
    collectPlainTerms(s, agent, sums);
  else
    collectStagedTerms(s, agent, sums);
  const double p = sums.positive;
  const double n = sums.negative;
  agent.strength = std::sqrt(std::fabs(p * p - n * n));
  const int level = clampLevel(p - n, s.ndiv);
  agent.forecast = level * s.delta;
  agent.target = agent.strength * agent.forecast;
}

void forecastAgents(RunState& s) { kernelOf(s).forecastAgents(s); }

}  // namespace vk

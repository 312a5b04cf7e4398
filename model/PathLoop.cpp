#include "model/PathLoop.h"

#include <algorithm>
#include <string>

#include "io/OutputFile.h"
#include "model/Agent.h"
#include "model/Display.h"
#include "model/Genetics.h"
#include "model/Kernel.h"
#include "model/Market.h"
#include "model/Parameters.h"
#include "model/PathOutput.h"
#include "model/Random.h"
#include "model/RunState.h"
#include "model/WeekFactors.h"

namespace vk {

namespace {

void copyAgentsToPrevious(RunState& s) { std::copy_n(s.agents.at(1), s.popsize, s.previousAgents.at(1)); }

// A whole percentage 0..100. The count of steps may be 0, or smaller than the
// steps actually run (nsample 0), so the quotient is clamped before it is
// converted.
int weekProgressPercent(int step, double total) {
  const double percent = static_cast<double>(step) / total * 100;
  if (!(percent >= 0)) return 0;
  if (percent >= 100) return 100;
  return static_cast<int>(percent);
}

void selectPhase(RunState& s) {
  if (s.week <= s.teachyear) {
    s.pcross = s.pcross1;
    s.pmutation = s.pmutation1;
    s.gapCount = s.gapCount1;
  } else {
    s.pcross = s.pcross2;
    s.pmutation = s.pmutation2;
    s.gapCount = s.gapCount2;
  }
}

}  // namespace

void initRun(RunState& s) {
  s.kernel = &chooseKernel();
  seedRandom(s, s.randomSeed);
  s.gapCount1 = gapCountOf(s.popsize, s.gap1);
  s.gapCount2 = gapCountOf(s.popsize, s.gap2);
  // From here on teachyear is no longer the length of training but the last
  // training week; the report and every week test use it so.
  s.teachyear = s.minyear + s.teachyear - 1;
  loadWeekFactors(s);
  s.display->AppendLog("Simulation start!");
}

void initPopulation(RunState& s) {
  for (int n = 1; n <= s.popsize; ++n) {
    Agent& a = s.agents[n];
    for (int g = 1; g <= s.nWeights; ++g) a.genes[g] = static_cast<std::int8_t>(randomInt(s, 0, 8) - 4);
    a.position = 0;
  }
  forecastAgents(s);
  clearMarket(s);
}

void runPath(RunState& s) {
  const double total = static_cast<double>(s.teachyear - s.minyear + 1) * s.nsample + (s.maxyear - s.teachyear);
  for (int k = -s.ndiv; k <= s.ndiv; ++k) s.simHist[k] = 0;
  initPopulation(s);
  copyAgentsToPrevious(s);
  s.rateFile.create(checkedFileName(s.resultDir + "/r" + s.pathTag + ".csv"));

  s.week = s.minyear - 1;
  s.trainPass = 1;
  int step = 0;
  do {
    step = step + 1;
    s.display->SetWeekProgress(weekProgressPercent(step, total));
    s.week = s.week + 1;
    if (s.week == s.teachyear + 1) {
      s.trainPass = s.trainPass + 1;
      if (s.trainPass <= s.nsample) s.week = s.minyear;
    }
    selectPhase(s);
    loadWeekFactors(s);
    runGeneration(s);
    copyAgentsToPrevious(s);
    if (s.trainPass >= s.nsample) writeWeekOutput(s);
  } while (s.week < s.maxyear);
}

}  // namespace vk

#include "model/PathLoop.h"

#include <algorithm>
#include <string>

#include "io/OutputFile.h"
#include "io/RunError.h"
#include "io/TextFormat.h"
#include "model/Agent.h"
#include "model/Genetics.h"
#include "model/Market.h"
#include "model/PathOutput.h"
#include "model/Random.h"
#include "run/Display.h"
#include "run/InputFiles.h"
#include "run/RunState.h"

namespace vk {

namespace {

// The pair loop of the genetic learning breeds two children at a time into
// the slots permutation[1..gapCount], at least one pair per week.
constexpr int kSmallestPopulation = 2;

void checkPopulation(const RunState& s) {
  if (s.popsize < kSmallestPopulation)
    throw RunError("The parameter popsize = " + plainInt(s.popsize) + " is below " +
                   plainInt(kSmallestPopulation) +
                   ": the genetic learning breeds the agents in pairs, so a run needs at least two agents.");
}

// popsize x gap truncated toward zero and made even. A count above popsize
// would breed children into slots beyond the population, so it is refused.
int gapCountOf(const RunState& s, double gap, const std::string& name) {
  const std::string given = "The parameter " + name + " = " + fixed(gap, 0, 5);
  const double product = s.popsize * gap;
  if (!(product >= 0))
    throw RunError(given + " is negative; a generation gap is the fraction of the population replaced "
                           "each week, from 0 to 1.");
  const int largest = s.popsize - s.popsize % 2;
  int count = product > s.popsize ? s.popsize + 1 : static_cast<int>(product);
  if (count % 2 != 0) count = count + 1;
  if (count > s.popsize)
    throw RunError(given + " replaces more agents each week than popsize = " + plainInt(s.popsize) +
                   " holds (popsize x " + name + " is truncated and made even); the largest count it may give "
                   "is " + plainInt(largest) + ".");
  return count;
}

void copyAgentsToPrevious(RunState& s) {
  std::copy_n(s.agents.at(1), s.popsize, s.previousAgents.at(1));
}

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
  checkPopulation(s);
  seedRandom(s, kRandomSeed);
  s.gapCount1 = gapCountOf(s, s.gap1, "gap1");
  s.gapCount2 = gapCountOf(s, s.gap2, "gap2");
  s.teachyear = s.minyear + s.teachyear - 1;
  readWeekFactors(s);
  s.display->AppendLog("Simulation start!");
}

void initPopulation(RunState& s) {
  for (int n = 1; n <= s.popsize; ++n) {
    Agent& a = s.agents[n];
    for (int g = 1; g <= s.nWeights; ++g) a.genes[g] = static_cast<std::int8_t>(randomInt(s, 0, 8) - 4);
    a.position = 0;
  }
  for (int n = 1; n <= s.popsize; ++n) computeForecast(s, s.agents[n]);
  clearMarket(s);
}

void runPath(RunState& s) {
  const double total =
      static_cast<double>(s.teachyear - s.minyear + 1) * s.nsample + (s.maxyear - s.teachyear);
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
    readWeekFactors(s);
    runGeneration(s);
    copyAgentsToPrevious(s);
    if (s.trainPass >= s.nsample) writeWeekOutput(s);
  } while (s.week < s.maxyear);
}

}  // namespace vk

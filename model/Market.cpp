#include "model/Market.h"

#include <cmath>
#include <utility>

#include "model/RunState.h"

namespace vk {

namespace {

void clearTrainingWeek(RunState& s) {
  const int w = s.week;
  s.simChange[w] = s.actualRate[w] - s.actualRate[w - 1];
  for (int n = 1; n <= s.popsize; ++n) {
    Agent& a = s.agents[n];
    a.fitness = a.fitness - std::fabs(s.actualChange[w] - a.forecast);
  }
  s.simRate[w] = s.actualRate[w];
}

// supply[k]: what the sellers forecasting at or below level k offer;
// demand[k]: what the buyers forecasting at or above level k bid. Each scan
// walks its end of sortIndex once.
void buildSchedules(RunState& s) {
  const int ndiv = s.ndiv;
  const int popsize = s.popsize;
  s.supply[-ndiv - 1] = 0;
  int low = 1;
  for (int k = -ndiv; k <= ndiv; ++k) {
    double total = s.supply[k - 1];
    const double price = k * s.delta;
    while (low <= popsize && s.agents[s.sortIndex[low]].forecast <= price) {
      const double order = s.orderSize[s.sortIndex[low]];
      if (order <= 0) total = total + -order;
      ++low;
    }
    s.supply[k] = total;
  }
  s.demand[ndiv + 1] = 0;
  int high = popsize;
  for (int k = ndiv; k >= -ndiv; --k) {
    double total = s.demand[k + 1];
    const double price = k * s.delta;
    while (high >= 1 && s.agents[s.sortIndex[high]].forecast >= price) {
      const double order = s.orderSize[s.sortIndex[high]];
      if (order >= 0) total = total + order;
      --high;
    }
    s.demand[k] = total;
  }
}

// The lowest level where the buyers strictly above it no longer outbid the
// sellers at or below it; 0 when one side of that level is empty.
int clearingLevel(const RunState& s) {
  int k = -s.ndiv;
  while (s.demand[k + 1] > s.supply[k] && k < s.ndiv) ++k;
  if (s.supply[k] == 0 || s.demand[k] == 0) k = 0;
  return k;
}

void settleWithoutTrade(RunState& s) {
  for (int n = 1; n <= s.popsize; ++n) {
    Agent& a = s.agents[n];
    a.target = a.position;
    a.fitness = 0;
  }
  s.volume = 0;
}

// Orders on the wrong side of the price are withdrawn; the side that is
// larger at the clearing level is scaled down at its marginal level so that
// bought equals sold.
//
// The rationing formula is one weighted sum divided by the width of the
// marginal level, (filled x target + unfilled x position) / width, written
// in that order: the same share computed as position + share x (target -
// position) rounds differently and moves every later byte of the path.
void settleTrades(RunState& s, int level) {
  const double price = s.simChange[s.week];
  for (int n = 1; n <= s.popsize; ++n) {
    Agent& a = s.agents[n];
    const double order = s.orderSize[n];
    if ((a.forecast > price && order < 0) || (a.forecast < price && order > 0)) a.target = a.position;
  }
  const double demandAtLevel = s.demand[level];
  const double demandAbove = s.demand[level + 1];
  const double supplyAtLevel = s.supply[level];
  const double supplyBelow = s.supply[level - 1];
  if (demandAtLevel > supplyAtLevel) {
    s.volume = supplyAtLevel;
    for (int n = 1; n <= s.popsize; ++n) {
      Agent& a = s.agents[n];
      if (a.forecast == price && s.orderSize[n] > 0)
        a.target = ((s.volume - demandAbove) * a.target + (demandAtLevel - s.volume) * a.position) /
                   (demandAtLevel - demandAbove);
    }
  } else {
    s.volume = demandAtLevel;
    for (int n = 1; n <= s.popsize; ++n) {
      Agent& a = s.agents[n];
      if (a.forecast == price && s.orderSize[n] < 0)
        a.target = ((s.volume - supplyBelow) * a.target + (supplyAtLevel - s.volume) * a.position) /
                   (supplyAtLevel - supplyBelow);
    }
  }
}

void clearSimulatedWeek(RunState& s) {
  const int w = s.week;
  for (int n = 1; n <= s.popsize; ++n) {
    s.orderSize[n] = s.agents[n].target - s.agents[n].position;
    s.sortIndex[n] = n;
  }
  sortByForecast(s, 1, s.popsize);
  buildSchedules(s);

  const int level = clearingLevel(s);
  s.simChange[w] = level * s.delta;
  s.simHist[level] = s.simHist[level] + 1;
  s.simRate[w] = s.simRate[w - 1] + s.simChange[w];

  if (s.supply[level] == 0 || s.demand[level] == 0) {
    settleWithoutTrade(s);
    return;
  }
  settleTrades(s, level);
  for (int n = 1; n <= s.popsize; ++n) {
    Agent& a = s.agents[n];
    a.fitness = -std::fabs(s.simChange[w] - a.forecast);
  }
}

}  // namespace

void sortByForecast(RunState& s, int lo, int hi) {
  if (lo >= hi) return;
  auto forecastAt = [&s](int i) { return s.agents[s.sortIndex[i]].forecast; };
  const double pivot = forecastAt((lo + hi) / 2);
  int i = lo;
  int j = hi;
  do {
    while (forecastAt(i) < pivot) ++i;
    while (pivot < forecastAt(j)) --j;
    if (i <= j) {
      std::swap(s.sortIndex[i], s.sortIndex[j]);
      ++i;
      --j;
    }
  } while (i <= j);
  sortByForecast(s, lo, j);
  sortByForecast(s, i, hi);
}

void clearMarket(RunState& s) {
  if (s.week <= s.teachyear)
    clearTrainingWeek(s);
  else
    clearSimulatedWeek(s);
}

}  // namespace vk

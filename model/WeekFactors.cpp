#include "model/WeekFactors.h"

#include "model/Levels.h"
#include "model/Limits.h"
#include "model/RunState.h"

namespace vk {

namespace {

// Week 0, loaded once at initialisation, looks back past the first week of
// the tables; those weeks hold no rate and read as 0.
double weekValue(const WeekSeries& series, int w) { return w < kFirstWeek ? 0.0 : series[w]; }

}  // namespace

void loadWeekFactors(RunState& s) {
  const int t = s.week;
  for (int i = 1; i <= kDataFactorCount; ++i) s.factorValue[i] = s.dataFactors[t][i];
  const double v15 = t <= s.teachyear + 1 ? weekValue(s.actualChange, t - 1) : weekValue(s.simChange, t - 1);
  s.factorValue[15] = clampTrend(v15 / s.trend1);
  const auto rate = [&s](int w) { return weekValue(s.simRate, w); };
  s.factorValue[16] = clampTrend((rate(t - 1) - rate(t - 5)) / s.trend2);
  s.factorValue[17] = clampTrend((rate(t - 1) - 2 * rate(t - 2) + rate(t - 3)) / s.trend3);
}

}  // namespace vk

#include "run/Report.h"

#include <cmath>
#include <limits>
#include <string>

#include "io/TextFormat.h"
#include "model/Levels.h"
#include "run/ParameterFile.h"
#include "run/ReportFile.h"

namespace vk {

namespace {

constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();

// Sums of one error series, each term divided by the count before it is
// added: the mean of the terms, summed as sum(e / n) and not as sum(e) / n,
// rounds differently, and the report's 15 significant digits show it.
struct ErrorSums {
  double count;
  double me = 0, mae = 0, meanSquare = 0;

  explicit ErrorSums(double n) : count(n) {}
  void add(double e) {
    me = me + e / count;
    mae = mae + std::fabs(e) / count;
    meanSquare = meanSquare + e * e / count;
  }
};

void countActualHistogram(RunState& s) {
  for (int k = -s.ndiv; k <= s.ndiv; ++k) s.actualHist[k] = 0;
  for (int w = s.teachyear; w <= s.maxyear; ++w) {
    double v = s.actualRate[w] - s.actualRate[w - 1];
    if (v > 0)
      v = v + s.delta / 2;
    else
      v = v - s.delta / 2;
    const int level = clampLevel(v / s.delta, s.ndiv);
    s.actualHist[level] = s.actualHist[level] + 1;
  }
}

}  // namespace

void seriesStatistics(const WeekSeries& x, int lo, int hi, double stats[5]) {
  const int n = hi - lo + 1;
  if (n <= 0) {
    for (int i = 0; i < 5; ++i) stats[i] = kUndefined;
    return;
  }
  double mean = 0, m2 = 0, m3 = 0, m4 = 0;
  double max = x[lo], min = x[lo];
  for (int w = lo; w <= hi; ++w) {
    const double v = x[w];
    mean = mean + v / n;
    m2 = m2 + v * v / n;
    m3 = m3 + v * v * v / n;
    m4 = m4 + v * v * v * v / n;
    if (v > max) max = v;
    if (v < min) min = v;
  }
  const double variance = m2 - mean * mean;
  // Rounding can leave a constant series a tiny variance of either sign.
  const double std = (variance > 0 && max != min) ? std::sqrt(variance) : 0;
  stats[0] = mean;
  stats[1] = std;
  if (std == 0) {
    stats[2] = stats[3] = stats[4] = kUndefined;
    return;
  }
  stats[2] = -(m3 - 3 * mean * m2 + 2 * mean * mean * mean) / (std * std * std);
  stats[3] = (m4 - 4 * mean * m3 + 6 * mean * mean * m2 - 3 * mean * mean * mean * mean) / (std * std * std * std);
  stats[4] = (max - min) / std;
}

PathErrors pathErrors(const RunState& s) {
  const int n = s.maxyear - s.teachyear + 1;
  if (n <= 0) return {kUndefined, kUndefined, kUndefined, kUndefined, kUndefined, kUndefined};
  const double start = s.actualRate[s.teachyear];
  const int trainingSpan = s.teachyear - s.minyear;
  const double drift = trainingSpan == 0 ? kUndefined : (start - s.actualRate[s.minyear]) / trainingSpan;
  ErrorSums sim(n), walk(n);
  for (int t = s.teachyear; t <= s.maxyear; ++t) {
    sim.add(s.simRate[t] - s.actualRate[t]);
    walk.add((start + (t - s.teachyear) * drift) - s.actualRate[t]);
  }
  return {sim.me, walk.me, sim.mae, walk.mae, std::sqrt(sim.meanSquare), std::sqrt(walk.meanSquare)};
}

void evaluateActual(RunState& s) {
  seriesStatistics(s.actualChange, s.teachyear + 1, s.maxyear, s.actualStats);
  countActualHistogram(s);
}

void writePathReport(RunState& s) {
  seriesStatistics(s.simChange, s.teachyear + 1, s.maxyear, s.simStats);
  const PathErrors e = pathErrors(s);
  const double errors[kReportErrorCount] = {e.meSim, e.meWalk, e.maeSim, e.maeWalk, e.rmseSim, e.rmseWalk};
  double stats[kReportStatisticCount];
  for (int i = 0; i < 5; ++i) {
    stats[2 * i] = s.simStats[i];
    stats[2 * i + 1] = s.actualStats[i];
  }
  // The parameter line follows the header of path 1, the second path, not
  // the first: reports of earlier runs hold it there, and a run of one path
  // reports no parameters.
  const std::string parameters = s.pathNumber == 1 ? reportParameterLine(s) : std::string();
  s.evalFile.write(pathReportText(s.pathNumber, parameters, errors, stats));
  s.evalFile.flush();
}

void writeFrequencyTable(RunState& s) {
  std::string text = plainInt(s.week) + "\n";
  for (int k = -s.ndiv; k <= s.ndiv; ++k)
    text += plainInt(k) + '\t' + plainInt(s.simHist[k]) + '\t' + plainInt(s.actualHist[k]) + '\n';
  s.frequencyFile.write(text);
}

}  // namespace vk

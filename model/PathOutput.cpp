#include "model/PathOutput.h"

#include <cmath>
#include <string>

#include "io/OutputFile.h"
#include "io/TextFormat.h"
#include "model/Agent.h"
#include "model/Display.h"
#include "model/Kernel.h"
#include "model/RunState.h"

namespace vk {

namespace {

// The sums are divided once, after the loop: the mean as sum / count, not as
// a sum of term / count, and the variance as the mean square less the
// squared mean. The printed weights and scores follow this order to the
// last digit.
Spread spreadFromSums(double sum, double sumOfSquares, int count) {
  const double mean = sum / count;
  const double meanSquare = sumOfSquares / count;
  const double variance = meanSquare - mean * mean;
  return {mean, variance > 0 ? std::sqrt(variance) : 0};
}

Spread scoreSpread(const RunState& s, int row) {
  double sum = 0;
  double sumOfSquares = 0;
  for (int n = 1; n <= s.popsize; ++n) {
    const double j = factorScore(s, s.agents[n], row);
    sum = sum + j;
    sumOfSquares = sumOfSquares + j * j;
  }
  return spreadFromSums(sum, sumOfSquares, s.popsize);
}

bool isSimulatedWeek(const RunState& s) { return s.week > s.teachyear; }

void appendQuoted(std::string& line, const std::string& field) {
  line += '"';
  line += field;
  line += '"';
}

void appendQuotedFixed(std::string& line, double x, int width, int decimals) {
  line += '"';
  appendFixed(line, x, width, decimals);
  line += '"';
}

void appendFixedAndBlank(std::string& text, double x, int width, int decimals) {
  appendFixed(text, x, width, decimals);
  text += ' ';
}

void writeWeightsLine(RunState& s, double* means) {
  double sums[kPaddedWeights], squares[kPaddedWeights];
  kernelOf(s).weightSums(s, sums, squares);
  std::string line;
  appendQuoted(line, plainInt(s.week));
  for (int g = 1; g <= s.nWeights; ++g) {
    const Spread spread = spreadFromSums(sums[g - 1], squares[g - 1], s.popsize);
    means[g - 1] = spread.mean;
    line += ',';
    appendQuotedFixed(line, spread.mean, 6, 4);
    line += ',';
    appendQuotedFixed(line, spread.deviation, 6, 4);
  }
  line += '\n';
  s.weightsFile.write(line);
  s.weightsFile.flush();
}

void writeSchedule(RunState& s) {
  std::string block = plainInt(s.week) + '\n';
  for (int k = -s.ndiv; k <= s.ndiv; ++k) {
    appendQuotedFixed(block, s.supply[k], 8, 5);
    block += ',';
    appendQuotedFixed(block, s.demand[k], 8, 5);
    block += '\n';
  }
  s.scheduleFile.write(block);
}

void showLiveCharts(RunState& s, const double* means) {
  s.display->ShowWeights(means, s.nWeights);
  s.display->ShowSupplyDemand(s.ndiv, s.supply.at(-s.ndiv), s.demand.at(-s.ndiv));
}

bool isSnapshotWeek(const RunState& s) {
  return s.week >= s.teachyear && (s.week - s.teachyear) % s.snapshotInterval == 0;
}

void writeSnapshot(const RunState& s) {
  OutputFile file;
  file.create(checkedFileName(s.resultDir + "/all" + plainInt(s.pathNumber) + ".dat." + plainInt(s.week)));
  std::string text;
  for (int n = 1; n <= s.popsize; ++n) {
    const Agent& a = s.agents[n];
    for (int g = 1; g <= s.nWeights; ++g) appendFixedAndBlank(text, decodeWeight(a.genes[g]), 4, 2);
    appendFixedAndBlank(text, a.forecast, 10, 6);
    appendFixedAndBlank(text, a.strength, 10, 6);
    appendFixedAndBlank(text, a.fitness, 10, 5);
    appendFixedAndBlank(text, a.position, 10, 5);
    appendFixedAndBlank(text, a.target, 10, 5);
    text += '\n';
  }
  file.write(text);
  file.close();
}

// All weeks of a path follow one another on one line.
void writeForecasts(RunState& s) {
  std::string text = paddedInt(s.week, 4) + ' ';
  for (int n = 1; n <= s.popsize; ++n) appendFixedAndBlank(text, s.agents[n].forecast, 10, 6);
  s.forecastFile.write(text);
  s.forecastFile.flush();
}

void writeScores(RunState& s) {
  std::string line = plainInt(s.week) + '\t';
  for (int f = 1; f <= s.loadingRows; ++f) {
    const Spread spread = scoreSpread(s, f);
    appendFixed(line, spread.mean, 6, 4);
    line += '\t';
    appendFixed(line, spread.deviation, 6, 4);
    line += '\t';
  }
  line += '\n';
  s.scoreFile.write(line);
  s.scoreFile.flush();
}

void appendCounts(std::string& line, int below, int zero, int above) {
  line += paddedInt(below, 4) + ' ';
  line += paddedInt(zero, 4) + ' ';
  line += paddedInt(above, 4) + ' ';
}

void writeSignCounts(RunState& s) {
  std::string line = plainInt(s.week) + ' ';
  for (int g = 1; g <= s.nWeights; ++g) {
    int below = 0, zero = 0, above = 0;
    for (int n = 1; n <= s.popsize; ++n) {
      const double v = decodeWeight(s.agents[n].genes[g]);
      if (v < 0)
        ++below;
      else if (v == 0)
        ++zero;
      else
        ++above;
    }
    appendCounts(line, below, zero, above);
  }
  for (int f = 1; f <= s.loadingRows; ++f) {
    int below = 0, near = 0, above = 0;
    for (int n = 1; n <= s.popsize; ++n) {
      const double j = factorScore(s, s.agents[n], f);
      if (j <= -0.1)
        ++below;
      else if (j < 0.1)
        ++near;
      else
        ++above;
    }
    appendCounts(line, below, near, above);
  }
  line += '\n';
  s.countFile.write(line);
  s.countFile.flush();
}

void writeRateLine(RunState& s) {
  const int w = s.week;
  std::string line;
  appendQuoted(line, plainInt(w));
  line += ',';
  appendQuotedFixed(line, s.simRate[w], 7, 5);
  line += ',';
  appendQuotedFixed(line, s.actualRate[w], 7, 5);
  line += ',';
  appendQuotedFixed(line, s.simChange[w], 7, 5);
  line += ',';
  appendQuotedFixed(line, s.actualChange[w], 7, 5);
  line += ',';
  appendQuoted(line, isSimulatedWeek(s) ? fixed(s.volume, 8, 5) : std::string("0"));
  line += '\n';
  s.rateFile.write(line);
  s.rateFile.flush();
}

}  // namespace

void sumWeight(const RunState& s, int g, double& sum, double& squares) {
  sum = 0;
  squares = 0;
  for (int n = 1; n <= s.popsize; ++n) {
    const double v = decodeWeight(s.agents[n].genes[g]);
    sum = sum + v;
    squares = squares + v * v;
  }
}

Spread weightSpread(const RunState& s, int g) {
  double sum, squares;
  sumWeight(s, g, sum, squares);
  return spreadFromSums(sum, squares, s.popsize);
}

int loadingWeight(const RunState& s, int column) { return static_cast<int>(std::nearbyint(s.loadings[0][column])); }

double factorScore(const RunState& s, const Agent& agent, int row) {
  double score = 0;
  for (int c = 1; c <= s.loadingCols; ++c)
    score = score + decodeWeight(agent.genes[loadingWeight(s, c)]) * s.loadings[row][c];
  return score;
}

void writeWeekOutput(RunState& s) {
  const std::string& mode = s.runMode;
  const bool detail = mode == "detail";
  if (mode == "read" || mode == "all" || detail) {
    double means[kMaxWeights];
    writeWeightsLine(s, means);
    if (isSimulatedWeek(s)) writeSchedule(s);
    if (s.display->GraphEnabled() && isSimulatedWeek(s)) showLiveCharts(s, means);
    if (detail && isSnapshotWeek(s)) writeSnapshot(s);
  }
  if (detail && s.week >= s.teachyear) writeForecasts(s);
  if (mode == "factor") writeScores(s);
  if (mode == "frequency") writeSignCounts(s);
  writeRateLine(s);
  if (isSimulatedWeek(s) && s.display->GraphEnabled()) s.display->AddSimulationPoint(s.week, s.simRate[s.week]);
}

}  // namespace vk

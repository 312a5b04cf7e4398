#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "run/Report.h"
#include "run/TextFormat.h"
#include "tests/model/ModelFixture.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

class Statistics : public testing::ModelTest {
 protected:
  void setSeries(int lo, const std::vector<double>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) series[lo + int(i)] = values[i];
  }
  WeekSeries series{};
  double stats[5] = {};
};

TEST_F(Statistics, FiveMomentsOfASmallSeries) {
  setSeries(3, {1, 2, 3, 4});
  seriesStatistics(series, 3, 6, stats);
  EXPECT_DOUBLE_EQ(stats[0], 2.5);
  EXPECT_DOUBLE_EQ(stats[1], std::sqrt(1.25));
  EXPECT_NEAR(stats[2], 0, 1e-12);
  EXPECT_DOUBLE_EQ(stats[3], 2.5625 / 1.5625);
  EXPECT_DOUBLE_EQ(stats[4], 3 / std::sqrt(1.25));
}

TEST_F(Statistics, LongRightTailHasNegativeSkew) {
  setSeries(1, {0, 0, 0, 10});
  seriesStatistics(series, 1, 4, stats);
  EXPECT_LT(stats[2], 0);
}

// The report divides every term by n before adding it; summing first and
// dividing once rounds differently for this series.
TEST_F(Statistics, EachTermIsDividedBeforeItIsAdded) {
  const std::vector<double> values = {0.1, 0.2, 0.3};
  setSeries(1, values);
  double termwise = 0, summed = 0;
  for (double v : values) {
    termwise = termwise + v / 3;
    summed = summed + v;
  }
  ASSERT_NE(termwise, summed / 3);
  seriesStatistics(series, 1, 3, stats);
  EXPECT_EQ(stats[0], termwise);
}

TEST_F(Statistics, ConstantSeriesHasZeroStdAndUndefinedShape) {
  setSeries(1, {0.1, 0.1, 0.1, 0.1, 0.1});
  seriesStatistics(series, 1, 5, stats);
  EXPECT_EQ(stats[1], 0);
  EXPECT_TRUE(std::isnan(stats[2]));
  EXPECT_TRUE(std::isnan(stats[3]));
  EXPECT_TRUE(std::isnan(stats[4]));
}

TEST_F(Statistics, EmptyStretchIsUndefined) {
  seriesStatistics(series, 6, 5, stats);
  for (double v : stats) EXPECT_TRUE(std::isnan(v));
}

class Evaluation : public testing::ModelTest {
 protected:
  Evaluation() {
    s.delta = 0.25;
    s.ndiv = 5;
    s.minyear = 1;
    s.teachyear = 3;
    s.maxyear = 5;
  }
  // Actual rates of weeks from..; changes follow.
  void setActual(int from, const std::vector<double>& rates) {
    for (std::size_t i = 0; i < rates.size(); ++i) s.actualRate[from + int(i)] = rates[i];
    for (int w = -3; w <= 40; ++w) s.actualChange[w] = s.actualRate[w] - s.actualRate[w - 1];
  }
};

TEST_F(Evaluation, HistogramRoundsHalvesAwayFromZeroAndClamps) {
  s.teachyear = 10;
  s.maxyear = 16;
  // Changes into weeks 10..16: 0.5, -0.5, 0.49, 12, -12, 0 and 4.6 steps of delta.
  const double d = s.delta;
  std::vector<double> rates = {10};
  for (double steps : {0.5, -0.5, 0.49, 12.0, -12.0, 0.0, 4.6}) rates.push_back(rates.back() + steps * d);
  setActual(9, rates);
  evaluateActual(s);
  std::vector<int> counts;
  for (int k = -5; k <= 5; ++k) counts.push_back(s.actualHist[k]);
  EXPECT_EQ(counts, (std::vector<int>{1, 0, 0, 0, 1, 2, 1, 0, 0, 0, 2}));
}

TEST_F(Evaluation, ErrorsOfSimulationAndRandomWalk) {
  setActual(1, {1.0, 1.2, 1.5, 2.0, 1.5});
  s.simRate[3] = 1.5;
  s.simRate[4] = 1.75;
  s.simRate[5] = 2.0;
  const PathErrors e = pathErrors(s);
  // Both series miss by 0, -0.25 and 0.5 (the drift is (1.5 - 1.0) / 2).
  for (double me : {e.meSim, e.meWalk}) EXPECT_DOUBLE_EQ(me, 0.25 / 3);
  for (double mae : {e.maeSim, e.maeWalk}) EXPECT_DOUBLE_EQ(mae, 0.75 / 3);
  for (double rmse : {e.rmseSim, e.rmseWalk}) EXPECT_DOUBLE_EQ(rmse, std::sqrt(0.3125 / 3));
}

TEST_F(Evaluation, SingleReportedWeekHasNoError) {
  setActual(1, {1.0, 1.2, 1.5, 2.0, 1.5});
  s.teachyear = s.maxyear = 5;
  s.simRate[5] = 1.5;
  const PathErrors e = pathErrors(s);
  for (double v : {e.meSim, e.meWalk, e.maeSim, e.maeWalk, e.rmseSim, e.rmseWalk}) EXPECT_EQ(v, 0);
}

TEST_F(Evaluation, OneWeekTrainingLeavesTheWalkUndefined) {
  setActual(1, {1.0, 1.2, 1.5});
  s.teachyear = 1;
  s.maxyear = 3;
  for (int w = 1; w <= 3; ++w) s.simRate[w] = s.actualRate[w];
  const PathErrors e = pathErrors(s);
  EXPECT_EQ(e.rmseSim, 0);
  EXPECT_TRUE(std::isnan(e.meWalk));
  EXPECT_TRUE(std::isnan(e.rmseWalk));
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class ReportFiles : public testing::ModelTest {
 protected:
  ReportFiles() {
    // The demo's parameters, with teachyear already the last training week.
    s.delta = 0.00435;
    s.ndiv = 2;
    s.trend1 = 0.01088;
    s.trend2 = 0.02176;
    s.trend3 = 0.01538;
    s.popsize = 100;
    s.minyear = 53;
    s.maxyear = 261;
    s.teachyear = 208;
    s.pcross1 = 0.6;
    s.pmutation1 = 0.005;
    s.gap1 = 0.2;
    s.pcross2 = 0.3;
    s.pmutation2 = 0.002;
    s.gap2 = 0.1;
    s.nsample = 5;
    for (int w = 52; w <= 261; ++w) {
      s.actualRate[w] = 7 + 0.001 * (w % 7);
      s.simRate[w] = w <= 208 ? s.actualRate[w] : 7.5;
    }
    for (int w = 53; w <= 261; ++w) {
      s.actualChange[w] = s.actualRate[w] - s.actualRate[w - 1];
      s.simChange[w] = s.simRate[w] - s.simRate[w - 1];
    }
    evaluateActual(s);
  }

  std::string report(int pathNumber) {
    s.pathNumber = pathNumber;
    s.evalFile.create(dir.file("eval.txt"));
    writePathReport(s);
    s.evalFile.close();
    return dir.read("eval.txt");
  }

  testing::TempDir dir;
};

TEST_F(ReportFiles, ParameterLinesFollowOnlyTheHeaderOfPathOne) {
  const std::vector<std::string> path0 = linesOf(report(0));
  ASSERT_EQ(path0.size(), 5u);
  EXPECT_EQ(path0[0], "No. = 0");
  EXPECT_EQ(path0[1], "me(sim)   \tme(rw)   \tmae(sim)   \tmae(rw)    \trmse(sim)    \trmse(rw)    ");
  EXPECT_EQ(path0[3],
            "mean    \tmean(real)  \tstd      \tstd(real)      \tskew      \tskew(real)  \tkurt     \t"
            "kurt(real)\tSR       \tSR(real)   \t");

  const std::vector<std::string> path1 = linesOf(report(1));
  ASSERT_EQ(path1.size(), 7u);
  EXPECT_EQ(path1[0], "No. = 1");
  EXPECT_EQ(path1[1],
            "delta =0.00435ndiv =2trend1 = 1.08800000000000E-0002trend2 = 2.17600000000000E-0002"
            "trend3 = 1.53800000000000E-0002popsize =100minyear =53maxyear =261teachyear =208"
            "pcross1 = 0.6000pmutation1 = 0.0050gap1 =  0.20pcross2 = 0.3000pmutation2 = 0.0020gap2 =  0.10");
  EXPECT_EQ(path1[2], "nsample =5");
  EXPECT_EQ(path1[3], path0[1]);
}

TEST_F(ReportFiles, ValuesInTheScientificFormat) {
  const std::vector<std::string> lines = linesOf(report(2));
  // Six errors: 23 characters each, tab-separated, no tab at the end.
  ASSERT_EQ(lines[2].size(), 6 * 23 + 5);
  EXPECT_NE(lines[2].back(), '\t');
  // Ten statistics, each followed by a tab; the simulated stretch jumps once
  // and then stays, so all of them are defined.
  ASSERT_EQ(lines[4].size(), 10 * 24u);
  EXPECT_EQ(lines[4].back(), '\t');
  // rmse(sim) of a rate 7.5 against about 7.003: one field checked digit by digit.
  const PathErrors e = pathErrors(s);
  EXPECT_EQ(lines[2].substr(4 * 24, 23), scientific23(e.rmseSim));
  EXPECT_EQ(scientific23(1.5), " 1.50000000000000E+0000");
}

TEST_F(ReportFiles, UndefinedStatisticsAreWrittenAsNan) {
  for (int w = 209; w <= 261; ++w) s.simChange[w] = 0;  // a constant simulated stretch
  const std::vector<std::string> lines = linesOf(report(0));
  const std::string nan = std::string(20, ' ') + "NAN";
  EXPECT_EQ(lines[4].substr(2 * 24, 23), scientific23(0.0));  // std
  EXPECT_EQ(lines[4].substr(4 * 24, 23), nan);                 // skew
  EXPECT_EQ(lines[4].substr(6 * 24, 23), nan);                 // kurt
  EXPECT_EQ(lines[4].substr(8 * 24, 23), nan);                 // SR
}

TEST_F(ReportFiles, FrequencyTableHasTwoNdivPlusTwoLines) {
  s.week = 261;
  s.simHist[-1] = 3;
  s.simHist[2] = 50;
  s.frequencyFile.create(dir.file("f0000.csv"));
  writeFrequencyTable(s);
  s.frequencyFile.close();
  std::string expected = "261\n-2\t0\t" + std::to_string(s.actualHist[-2]) + "\n-1\t3\t" +
                         std::to_string(s.actualHist[-1]) + "\n0\t0\t" + std::to_string(s.actualHist[0]) +
                         "\n1\t0\t" + std::to_string(s.actualHist[1]) + "\n2\t50\t" +
                         std::to_string(s.actualHist[2]) + "\n";
  EXPECT_EQ(dir.read("f0000.csv"), expected);
  EXPECT_EQ(linesOf(expected).size(), 2u * 2 + 2);
  int actualTotal = 0;
  for (int k = -2; k <= 2; ++k) actualTotal += s.actualHist[k];
  EXPECT_EQ(actualTotal, 261 - 208 + 1);  // the change into the last training week counts too
}

}  // namespace
}  // namespace vk

#include <cmath>
#include <string>
#include <vector>

#include "io/TextFormat.h"
#include "run/Report.h"
#include "tests/model/ModelFixture.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

class Evaluation : public testing::ModelTest {
 protected:
  Evaluation() {
    static_cast<Parameters&>(s) = {0.00435, 2,     0.01088, 0.02176, 0.01538, 100, 53, 261, 208,
                                   0.6,     0.005, 0.2,     0.3,     0.002,   0.1, 10, 5,   "all"};
  }
  void setActual(int from, const std::vector<double>& rates) {
    for (std::size_t i = 0; i < rates.size(); ++i) s.actualRate[from + int(i)] = rates[i];
    for (int w = -3; w <= 300; ++w) s.actualChange[w] = s.actualRate[w] - s.actualRate[w - 1];
  }
  std::vector<double> statistics(const std::vector<double>& values) {
    WeekSeries x{};
    for (std::size_t i = 0; i < values.size(); ++i) x[1 + int(i)] = values[i];
    double stats[5];
    seriesStatistics(x, 1, static_cast<int>(values.size()), stats);
    return std::vector<double>(stats, stats + 5);
  }
  testing::TempDir dir;
};

TEST_F(Evaluation, StatisticsOfASeries) {
  const std::vector<double> st = statistics({1, 2, 3, 4});
  EXPECT_DOUBLE_EQ(st[0], 2.5);
  EXPECT_DOUBLE_EQ(st[1], std::sqrt(1.25));
  EXPECT_NEAR(st[2], 0, 1e-12);
  EXPECT_DOUBLE_EQ(st[3], 2.5625 / 1.5625);
  EXPECT_DOUBLE_EQ(st[4], 3 / std::sqrt(1.25));
  EXPECT_LT(statistics({0, 0, 0, 10})[2], 0);  // a long right tail has negative skew
  // Each term is divided by n before it is added; summing first rounds differently here.
  ASSERT_NE(0.1 / 3 + 0.2 / 3 + 0.3 / 3, (0.1 + 0.2 + 0.3) / 3);
  EXPECT_EQ(statistics({0.1, 0.2, 0.3})[0], 0.1 / 3 + 0.2 / 3 + 0.3 / 3);
}

TEST_F(Evaluation, DivisionsByZeroGiveNan) {
  const std::vector<double> constant = statistics({0.1, 0.1, 0.1, 0.1, 0.1});
  EXPECT_EQ(constant[1], 0);
  for (int i = 2; i < 5; ++i) EXPECT_TRUE(std::isnan(constant[i]));
  // Ten equal values leave the variance a tiny positive residue of rounding.
  const std::vector<double> ten = statistics(std::vector<double>(10, 0.1));
  EXPECT_EQ(ten[1], 0);
  for (int i = 2; i < 5; ++i) EXPECT_TRUE(std::isnan(ten[i]));
  for (double v : statistics({})) EXPECT_TRUE(std::isnan(v));
  s.minyear = 1, s.teachyear = 1, s.maxyear = 3;  // one training week: no drift
  setActual(1, {1.0, 1.2, 1.5});
  for (int w = 1; w <= 3; ++w) s.simRate[w] = s.actualRate[w];
  EXPECT_EQ(pathErrors(s).rmseSim, 0);
  EXPECT_TRUE(std::isnan(pathErrors(s).rmseWalk));
  EXPECT_EQ(scientific23(NAN), std::string(20, ' ') + "NAN");
}

TEST_F(Evaluation, ErrorsOfSimulationAndRandomWalk) {
  s.minyear = 1, s.teachyear = 3, s.maxyear = 5;
  setActual(1, {1.0, 1.2, 1.5, 2.0, 1.5});
  s.simRate[3] = 1.5, s.simRate[4] = 1.75, s.simRate[5] = 2.0;
  // Both miss by 0, -0.25 and 0.5; the drift is (1.5 - 1.0) / 2.
  const PathErrors e = pathErrors(s);
  for (double me : {e.meSim, e.meWalk}) EXPECT_DOUBLE_EQ(me, 0.25 / 3);
  for (double mae : {e.maeSim, e.maeWalk}) EXPECT_DOUBLE_EQ(mae, 0.75 / 3);
  for (double rmse : {e.rmseSim, e.rmseWalk}) EXPECT_DOUBLE_EQ(rmse, std::sqrt(0.3125 / 3));
  s.teachyear = 5;  // a single reported week, a training week, has no error
  s.simRate[5] = s.actualRate[5];
  EXPECT_EQ(pathErrors(s).rmseWalk + pathErrors(s).maeSim, 0);
}

TEST_F(Evaluation, HistogramRoundsHalvesAwayFromZeroAndClamps) {
  s.delta = 0.25, s.ndiv = 5, s.teachyear = 10, s.maxyear = 16;
  std::vector<double> rates = {10};
  for (double steps : {0.5, -0.5, 0.49, 12.0, -12.0, 0.0, 4.6}) rates.push_back(rates.back() + steps * s.delta);
  setActual(9, rates);
  evaluateActual(s);
  std::vector<int> counts;
  for (int k = -5; k <= 5; ++k) counts.push_back(s.actualHist[k]);
  EXPECT_EQ(counts, (std::vector<int>{1, 0, 0, 0, 1, 2, 1, 0, 0, 0, 2}));
}

TEST_F(Evaluation, ReportAndFrequencyTableLayouts) {
  setActual(52, std::vector<double>(210, 7.0));
  for (int w = 209; w <= 261; ++w) s.simChange[w] = 0.01 * (w % 3);
  evaluateActual(s);
  s.evalFile.create(dir.file("eval.txt"));
  for (int path : {0, 1}) {
    s.pathNumber = path;
    writePathReport(s);
  }
  s.evalFile.close();
  const std::string errorHeader = "me(sim)   \tme(rw)   \tmae(sim)   \tmae(rw)    \trmse(sim)    \trmse(rw)    \n";
  const std::string statsHeader =
      "mean    \tmean(real)  \tstd      \tstd(real)      \tskew      \tskew(real)  \tkurt     \tkurt(real)\t"
      "SR       \tSR(real)   \t\n";
  const std::string report = dir.read("eval.txt");
  const std::size_t path1 = report.find("No. = 1\n");
  ASSERT_NE(path1, std::string::npos);
  EXPECT_EQ(report.substr(0, 8 + errorHeader.size()), "No. = 0\n" + errorHeader);
  EXPECT_EQ(report.substr(path1 + 8, report.find('\n', path1 + 8) - path1 - 8),
            "delta =0.00435ndiv =2trend1 = 1.08800000000000E-0002trend2 = 2.17600000000000E-0002"
            "trend3 = 1.53800000000000E-0002popsize =100minyear =53maxyear =261teachyear =208"
            "pcross1 = 0.6000pmutation1 = 0.0050gap1 =  0.20pcross2 = 0.3000pmutation2 = 0.0020gap2 =  0.10");
  const std::size_t errors = report.find(errorHeader, path1);
  EXPECT_EQ(report.substr(errors - 11, 11), "nsample =5\n");
  const std::size_t values = errors + errorHeader.size();
  EXPECT_EQ(report.find('\n', values) - values, 6 * 23 + 5u);  // tab-separated, none at the end
  const std::size_t stats = report.find(statsHeader, values) + statsHeader.size();
  EXPECT_EQ(report.substr(stats, 48), scientific23(s.simStats[0]) + "\t" + scientific23(s.actualStats[0]) + "\t");
  EXPECT_EQ(report.size(), stats + 10 * 24 + 1);

  s.week = 261;
  s.simHist[-1] = 3;
  s.frequencyFile.create(dir.file("f"));
  writeFrequencyTable(s);
  s.frequencyFile.close();
  EXPECT_EQ(dir.read("f"), "261\n-2\t0\t0\n-1\t3\t0\n0\t0\t54\n1\t0\t0\n2\t0\t0\n");  // 2 x ndiv + 2 lines
}

}  // namespace
}  // namespace vk

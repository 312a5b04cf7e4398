#include <string>
#include <vector>

#include "model/PathOutput.h"
#include "run/RunError.h"
#include "tests/model/ModelFixture.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

class ChartDisplay : public Display {
 public:
  bool GraphEnabled() override {
    ++graphQuestions;
    return graph;
  }
  void AddSimulationPoint(int week, double rate) override { points.push_back({double(week), rate}); }
  void ShowWeights(const double* m, int n) override { means.assign(m, m + n); }
  void ShowSupplyDemand(int ndiv, const double* sup, const double* dem) override {
    supply.assign(sup, sup + 2 * ndiv + 1);
    demand.assign(dem, dem + 2 * ndiv + 1);
  }
  bool graph = true;
  int graphQuestions = 0;
  std::vector<std::vector<double>> points;
  std::vector<double> means, supply, demand;
};

class WeekOutput : public ::testing::Test {
 protected:
  WeekOutput() : inside(dir.path()), state(newRunState(display)), s(*state) {
    s.resultDir = ".";
    s.popsize = 2;
    s.nWeights = 2;
    s.ndiv = 2;
    s.delta = 0.1;
    s.teachyear = 10;
    s.week = 12;
    // Weight 1: 0.5 and -0.1 (mean 0.2, deviation 0.3); weight 2: -0.5 twice.
    setAgent(1, {2, -2}, 0.1, 1.5);
    setAgent(2, {-1, -2}, -0.2, 0);
    for (int k = -2; k <= 2; ++k) {
      s.supply[k] = k + 2;
      s.demand[k] = 0.5 * (2 - k);
    }
    s.simRate[12] = 4.25;
    s.actualRate[12] = 4.125;
    s.simChange[12] = -0.0000001;
    s.actualChange[12] = 0.0625;
    s.volume = 0;
  }

  void setAgent(int n, std::vector<int> codes, double forecast, double target) {
    Agent& a = s.agents[n];
    for (std::size_t g = 0; g < codes.size(); ++g) a.genes[int(g) + 1] = static_cast<std::int8_t>(codes[g]);
    a.forecast = forecast;
    a.strength = 2;
    a.fitness = -0.1;
    a.position = 0.5;
    a.target = target;
  }

  void openPathFiles() {
    s.rateFile.create("./r0000.csv");
    s.weightsFile.create("./w0000.csv");
    s.scheduleFile.create("./q0000.csv");
    s.forecastFile.create("./fo.0000.csv");
    s.scoreFile.create("./sc0000.csv");
    s.countFile.create("./frq0000.csv");
  }
  void closePathFiles() {
    for (OutputFile* f : {&s.rateFile, &s.weightsFile, &s.scheduleFile, &s.forecastFile, &s.scoreFile, &s.countFile})
      f->close();
  }

  testing::TempDir dir;
  testing::WorkingDirectory inside;
  ChartDisplay display;
  std::unique_ptr<RunState> state;
  RunState& s;
};

const char* const kSimulatedRateLine = "\"12\",\"4.25000\",\"4.12500\",\"-0.00000\",\"0.06250\",\" 0.00000\"\n";

TEST_F(WeekOutput, SimulatedWeekOfModeAll) {
  s.runMode = "all";
  openPathFiles();
  writeWeekOutput(s);
  closePathFiles();
  EXPECT_EQ(dir.read("w0000.csv"), "\"12\",\"0.2000\",\"0.3000\",\"-0.5000\",\"0.0000\"\n");
  EXPECT_EQ(dir.read("q0000.csv"),
            "12\n"
            "\" 0.00000\",\" 2.00000\"\n"
            "\" 1.00000\",\" 1.50000\"\n"
            "\" 2.00000\",\" 1.00000\"\n"
            "\" 3.00000\",\" 0.50000\"\n"
            "\" 4.00000\",\" 0.00000\"\n");
  EXPECT_EQ(dir.read("r0000.csv"), kSimulatedRateLine);
  EXPECT_EQ(dir.read("fo.0000.csv"), "");
  EXPECT_EQ(dir.read("sc0000.csv"), "");
  EXPECT_EQ(display.graphQuestions, 2);
  ASSERT_EQ(display.means.size(), 2u);
  EXPECT_DOUBLE_EQ(display.means[0], 0.2);
  EXPECT_EQ(display.means[1], -0.5);
  EXPECT_EQ(display.supply, (std::vector<double>{0, 1, 2, 3, 4}));
  EXPECT_EQ(display.demand, (std::vector<double>{2, 1.5, 1, 0.5, 0}));
  EXPECT_EQ(display.points, (std::vector<std::vector<double>>{{12, 4.25}}));
}

TEST_F(WeekOutput, TrainingWeekWritesNoScheduleAndNoCharts) {
  s.runMode = "read";
  s.week = 10;
  s.simRate[10] = s.actualRate[10] = 4.5;
  s.simChange[10] = s.actualChange[10] = -0.25;
  s.volume = 3;
  openPathFiles();
  writeWeekOutput(s);
  closePathFiles();
  EXPECT_EQ(dir.read("q0000.csv"), "");
  EXPECT_EQ(dir.read("w0000.csv").substr(0, 5), "\"10\",");
  EXPECT_EQ(dir.read("r0000.csv"), "\"10\",\"4.50000\",\"4.50000\",\"-0.25000\",\"-0.25000\",\"0\"\n");
  EXPECT_EQ(display.graphQuestions, 1);
  EXPECT_TRUE(display.means.empty());
  EXPECT_TRUE(display.points.empty());
}

TEST_F(WeekOutput, ModeWriteTouchesOnlyTheRateFile) {
  s.runMode = "write";
  s.rateFile.create("./r0000.csv");
  EXPECT_NO_THROW(writeWeekOutput(s));
  s.rateFile.close();
  EXPECT_EQ(dir.read("r0000.csv"), kSimulatedRateLine);
  EXPECT_EQ(display.graphQuestions, 1);
}

TEST_F(WeekOutput, GraphOffShowsNothing) {
  s.runMode = "all";
  display.graph = false;
  openPathFiles();
  writeWeekOutput(s);
  closePathFiles();
  EXPECT_TRUE(display.means.empty());
  EXPECT_TRUE(display.points.empty());
  EXPECT_EQ(display.graphQuestions, 2);
}

TEST_F(WeekOutput, DetailWritesSnapshotsAndForecastsFromTheLastTrainingWeek) {
  s.runMode = "detail";
  s.snapshotInterval = 2;
  s.pathNumber = 3;
  openPathFiles();
  for (int week = 9; week <= 12; ++week) {
    s.week = week;
    writeWeekOutput(s);
  }
  closePathFiles();
  EXPECT_FALSE(dir.exists("all3.dat.9"));
  EXPECT_FALSE(dir.exists("all3.dat.11"));
  EXPECT_TRUE(dir.exists("all3.dat.10"));
  EXPECT_EQ(dir.read("all3.dat.12"),
            "0.50 -0.50   0.100000   2.000000   -0.10000    0.50000    1.50000 \n"
            "-0.10 -0.50  -0.200000   2.000000   -0.10000    0.50000    0.00000 \n");
  const std::string weekForecasts = "  0.100000  -0.200000 ";
  EXPECT_EQ(dir.read("fo.0000.csv"), "  10 " + weekForecasts + "  11 " + weekForecasts + "  12 " + weekForecasts);
}

class LoadingOutput : public WeekOutput {
 protected:
  LoadingOutput() {
    // Row 0 names weights 2 and 1; row 1 weighs them 1 and 2, row 2 weighs weight 2 by 0.1.
    s.loadingRows = 2;
    s.loadingCols = 2;
    s.loadings[0][1] = 2;
    s.loadings[0][2] = 1;
    s.loadings[1][1] = 1;
    s.loadings[1][2] = 2;
    s.loadings[2][1] = 0.1;
    s.loadings[2][2] = 0;
  }
};

TEST_F(LoadingOutput, FactorScoresAveragedOverTheAgents) {
  // Row 1: agent 1: -0.5 + 1.0 = 0.5; agent 2: -0.5 - 0.2 = -0.7.
  EXPECT_DOUBLE_EQ(factorScore(s, s.agents[1], 1), 0.5);
  EXPECT_DOUBLE_EQ(factorScore(s, s.agents[2], 1), -0.7);
  s.runMode = "factor";
  openPathFiles();
  writeWeekOutput(s);
  closePathFiles();
  EXPECT_EQ(dir.read("sc0000.csv"), "12\t-0.1000\t0.6000\t-0.0500\t0.0000\t\n");
  EXPECT_EQ(dir.read("w0000.csv"), "");
}

TEST_F(LoadingOutput, SignCountsOfWeightsAndScores) {
  s.runMode = "frequency";
  openPathFiles();
  writeWeekOutput(s);
  closePathFiles();
  // Weight 1: one negative, one positive; weight 2: two negative. Row 1:
  // -0.7 and 0.5; row 2: -0.05 twice, inside the band.
  EXPECT_EQ(dir.read("frq0000.csv"), "12    1    0    1    2    0    0    1    0    1    0    2    0 \n");
}

// The agents' values are summed first and divided once; dividing each term
// would give a different last bit for three times 0.1.
TEST(Spread, SumsOverTheAgentsThenDividesOnce) {
  Display display;
  auto state = newRunState(display);
  RunState& s = *state;
  s.popsize = 3;
  for (int n = 1; n <= 3; ++n) s.agents[n].genes[1] = 1;  // 0.1 three times
  const double summed = (0.1 + 0.1 + 0.1) / 3;
  ASSERT_NE(summed, 0.1 / 3 + 0.1 / 3 + 0.1 / 3);
  const Spread spread = weightSpread(s, 1);
  EXPECT_EQ(spread.mean, summed);
  // Rounding leaves meanSquare - mean^2 slightly off zero; the deviation is
  // 0 when it is not positive and never NaN.
  EXPECT_GE(spread.deviation, 0);
  EXPECT_LT(spread.deviation, 1e-8);
}

}  // namespace
}  // namespace vk

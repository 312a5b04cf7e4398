#include <string>
#include <vector>

#include "model/PathOutput.h"
#include "tests/model/ModelFixture.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

class ChartDisplay : public NullDisplay {
 public:
  bool GraphEnabled() override { return ++questions, true; }
  void AddSimulationPoint(int week, double rate) override { points.push_back({double(week), rate}); }
  void ShowWeights(const double* m, int n) override { means.assign(m, m + n); }
  void ShowSupplyDemand(int ndiv, const double* sup, const double*) override { supply.assign(sup, sup + 2 * ndiv + 1); }
  int questions = 0;
  std::vector<std::vector<double>> points;
  std::vector<double> means, supply;
};

class WeekOutput : public ::testing::Test {
 protected:
  WeekOutput() : inside(dir.path()), state(newRunState(display)), s(*state) {
    s.resultDir = ".";
    s.popsize = s.nWeights = s.ndiv = 2;
    s.delta = 0.1;
    s.teachyear = 10;
    s.week = 12;
    setAgent(1, 2, 0.1, 1.5);  // weight 1: 0.5 and -0.1; weight 2: -0.5 twice
    setAgent(2, -1, -0.2, 0);
    for (int k = -2; k <= 2; ++k) s.supply[k] = k + 2, s.demand[k] = 0.5 * (2 - k);
    s.simRate[12] = 4.25;
    s.actualRate[12] = 4.125;
    s.simChange[12] = -0.0000001;  // rounds to a signed zero
    s.actualChange[12] = 0.0625;
    s.loadingRows = s.loadingCols = 2;
    s.loadings[0][1] = 2, s.loadings[0][2] = 1;    // weight numbers
    s.loadings[1][1] = 1, s.loadings[1][2] = 2;    // scores 0.5 and -0.7
    s.loadings[2][1] = 0.1, s.loadings[2][2] = 0;  // -0.05 twice
  }
  void setAgent(int n, int firstCode, double forecast, double target) {
    Agent& a = s.agents[n];
    a.genes[1] = static_cast<std::int8_t>(firstCode);
    a.genes[2] = -2;
    a.forecast = forecast, a.strength = 2, a.fitness = -0.1, a.position = 0.5, a.target = target;
  }
  std::string run(const std::string& mode, int fromWeek = 12) {
    s.runMode = mode;
    OutputFile* files[] = {&s.rateFile, &s.weightsFile, &s.scheduleFile, &s.forecastFile, &s.scoreFile, &s.countFile};
    const char* names[] = {"r", "w", "q", "fo", "sc", "frq"};
    for (int i = 0; i < 6; ++i) files[i]->create(std::string("./") + names[i]);
    for (s.week = fromWeek; s.week <= 12; ++s.week) writeWeekOutput(s);
    for (OutputFile* f : files) f->close();
    return dir.read("r");
  }

  testing::TempDir dir;
  testing::WorkingDirectory inside;
  ChartDisplay display;
  std::unique_ptr<RunState> state;
  RunState& s;
};

TEST_F(WeekOutput, SimulatedWeekOfModeAll) {
  EXPECT_EQ(run("all"), "\"12\",\"4.25000\",\"4.12500\",\"-0.00000\",\"0.06250\",\" 0.00000\"\n");
  EXPECT_EQ(dir.read("w"), "\"12\",\"0.2000\",\"0.3000\",\"-0.5000\",\"0.0000\"\n");
  EXPECT_EQ(dir.read("q"),
            "12\n\" 0.00000\",\" 2.00000\"\n\" 1.00000\",\" 1.50000\"\n\" 2.00000\",\" 1.00000\"\n"
            "\" 3.00000\",\" 0.50000\"\n\" 4.00000\",\" 0.00000\"\n");
  EXPECT_EQ(dir.read("fo") + dir.read("sc") + dir.read("frq"), "");
  EXPECT_EQ(display.questions, 2);
  EXPECT_EQ(display.means, (std::vector<double>{(0.5 + -0.1) / 2, (-0.5 + -0.5) / 2}));
  EXPECT_EQ(display.supply, (std::vector<double>{0, 1, 2, 3, 4}));
  EXPECT_EQ(display.points, (std::vector<std::vector<double>>{{12, 4.25}}));
}

TEST_F(WeekOutput, TrainingWeekWritesNoScheduleAndShowsNothing) {
  s.simRate[10] = s.actualRate[10] = 4.5;
  s.simChange[10] = s.actualChange[10] = -0.25;
  s.volume = 3;
  s.week = 10;
  s.runMode = "read";
  s.rateFile.create("./r");
  s.weightsFile.create("./w");
  writeWeekOutput(s);
  s.rateFile.close();
  EXPECT_EQ(dir.read("r"), "\"10\",\"4.50000\",\"4.50000\",\"-0.25000\",\"-0.25000\",\"0\"\n");
  EXPECT_EQ(display.questions, 1);
  EXPECT_TRUE(display.means.empty() && display.points.empty());
}

TEST_F(WeekOutput, DetailWritesSnapshotsAndForecastsFromTheLastTrainingWeek) {
  s.snapshotInterval = 2;
  s.pathNumber = 3;
  run("detail", 9);
  EXPECT_FALSE(dir.exists("all3.dat.9") || dir.exists("all3.dat.11"));
  EXPECT_TRUE(dir.exists("all3.dat.10"));
  EXPECT_EQ(dir.read("all3.dat.12"),
            "0.50 -0.50   0.100000   2.000000   -0.10000    0.50000    1.50000 \n"
            "-0.10 -0.50  -0.200000   2.000000   -0.10000    0.50000    0.00000 \n");
  const std::string forecasts = "  0.100000  -0.200000 ";
  EXPECT_EQ(dir.read("fo"), "  10 " + forecasts + "  11 " + forecasts + "  12 " + forecasts);
}

TEST_F(WeekOutput, FactorScoresAndSignCounts) {
  run("factor");
  EXPECT_EQ(dir.read("sc"), "12\t-0.1000\t0.6000\t-0.0500\t0.0000\t\n");
  EXPECT_EQ(dir.read("w"), "");
  run("frequency");
  EXPECT_EQ(dir.read("frq"), "12    1    0    1    2    0    0    1    0    1    0    2    0 \n");
}

// Summed first and divided once: dividing each 0.1 by 3 would end in another bit.
TEST_F(WeekOutput, WeightMeanSumsOverTheAgentsThenDivides) {
  s.popsize = 3;
  for (int n = 1; n <= 3; ++n) s.agents[n].genes[1] = 1;
  const double summed = (0.1 + 0.1 + 0.1) / 3;
  ASSERT_NE(summed, 0.1 / 3 + 0.1 / 3 + 0.1 / 3);
  EXPECT_EQ(weightSpread(s, 1).mean, summed);
  EXPECT_EQ(weightSpread(s, 1).deviation, 0);  // rounding leaves no negative variance
}

}  // namespace
}  // namespace vk

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "io/RunError.h"
#include "io/TextFormat.h"
#include "model/PathLoop.h"
#include "tests/model/ModelFixture.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

class RecordingDisplay : public NullDisplay {
 public:
  void AppendLog(const std::string& text) override { log.push_back(text); }
  void SetWeekProgress(int percent) override { progress.push_back(percent); }
  std::vector<std::string> log;
  std::vector<int> progress;
};

class PathLoop : public ::testing::Test {
 protected:
  PathLoop() : inside(dir.path()), state(newRunState(display)), s(*state) {
    // Week w's factors as data line w holds them; week 0 takes line 1.
    for (int week = 0; week <= 10; ++week)
      for (int i = 1; i <= 14; ++i) s.dataFactors[week][i] = (std::max(week, 1) * 3 + i * 5) % 7 - 3;
    static_cast<Parameters&>(s) = {0.01, 3,    0.01, 0.02, 0.015, 6,   1, 5, 3,
                                   0.6,  0.05, 0.5,  0.3,  0.05,  0.5, 1, 2, "write"};
    s.nWeights = 17;
    for (int w = -4; w <= 10; ++w) s.actualRate[w] = 4.0 + 0.01 * ((w * 7 + 40) % 5);
    for (int w = -3; w <= 10; ++w) s.actualChange[w] = s.actualRate[w] - s.actualRate[w - 1];
    s.resultDir = ".";  // per-path names must stay short
    s.pathTag = pathTagOf(0);
  }

  std::string runPathToFile() {
    runPath(s);
    s.rateFile.close();
    return dir.read("r" + s.pathTag + ".csv");
  }
  int countedLevels() const {
    int total = 0;
    for (int k = -s.ndiv; k <= s.ndiv; ++k) total += s.simHist[k];
    return total;
  }

  testing::TempDir dir;
  testing::WorkingDirectory inside;
  RecordingDisplay display;
  std::unique_ptr<RunState> state;
  RunState& s;
};

TEST_F(PathLoop, InitRunDerivesGapCountsAndTheLastTrainingWeek) {
  s.popsize = 20;
  s.gap1 = 0.25;  // 5, made even
  initRun(s);
  EXPECT_EQ(s.gapCount1, 6);
  EXPECT_EQ(s.gapCount2, 10);
  EXPECT_EQ(s.teachyear, 3);
  EXPECT_EQ(s.factorValue[1], (3 + 5) % 7 - 3);  // week 0 loads data line 1
  EXPECT_EQ(display.log, (std::vector<std::string>{"Simulation start!"}));
}

TEST_F(PathLoop, FirstPathStartsFromTheFirstCodesAndWeekZero) {
  initRun(s);
  initPopulation(s);
  const int firstCodes[10] = {3, 1, 0, -3, 1, -2, 0, 4, 4, -4};
  for (int g = 1; g <= 10; ++g) EXPECT_EQ(s.agents[1].genes[g], firstCodes[g - 1]);
  EXPECT_EQ(s.agents[1].fitness, -std::fabs(s.actualChange[0] - s.agents[1].forecast));
}

TEST_F(PathLoop, TrainingPassesRepeatAndOnlyTheLastIsWritten) {
  initRun(s);
  // Weeks 1 2 3 1 2 3 4 5: the writer sees the second pass and 4, 5.
  const std::string rates = runPathToFile();
  EXPECT_EQ(display.progress, (std::vector<int>{12, 25, 37, 50, 62, 75, 87, 100}));
  EXPECT_EQ(rates.substr(0, 4), "\"1\",");
  EXPECT_EQ(std::count(rates.begin(), rates.end(), '\n'), 5);
  EXPECT_EQ(countedLevels(), 2);
  // A later path first clears at the last week, a simulated one: one more count.
  s.pathTag = pathTagOf(1);
  runPathToFile();
  EXPECT_EQ(countedLevels(), 3);
}

TEST_F(PathLoop, NoTrainingPassWritesEveryWeekAndKeepsProgressInRange) {
  s.nsample = 0;
  initRun(s);
  const std::string rates = runPathToFile();
  EXPECT_EQ(std::count(rates.begin(), rates.end(), '\n'), 5);
  EXPECT_EQ(display.progress, (std::vector<int>{50, 100, 100, 100, 100}));
}

}  // namespace
}  // namespace vk

#include <cmath>
#include <string>
#include <vector>

#include "model/PathLoop.h"
#include "model/Random.h"
#include "run/RunError.h"
#include "run/TextFormat.h"
#include "tests/model/ModelFixture.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

class RecordingDisplay : public Display {
 public:
  void AppendLog(const std::string& text) override { log.push_back(text); }
  void SetWeekProgress(int percent) override { progress.push_back(percent); }
  std::vector<std::string> log;
  std::vector<int> progress;
};

class PathLoop : public ::testing::Test {
 protected:
  PathLoop() : inside(dir.path()), state(newRunState(display)), s(*state) {
    for (int line = 1; line <= 30; ++line) {
      for (int i = 1; i <= 14; ++i) data += std::to_string((line * 3 + i * 5) % 7 - 3) + " ";
      data += "\n";
    }
    s.dataFile = TextReader("data.txt", data);
    s.delta = 0.01;
    s.ndiv = 3;
    s.trend1 = 0.01;
    s.trend2 = 0.02;
    s.trend3 = 0.015;
    s.popsize = 6;
    s.minyear = 1;
    s.maxyear = 5;
    s.teachyear = 3;
    s.pcross1 = 0.6;
    s.pmutation1 = 0.05;
    s.gap1 = 0.5;
    s.pcross2 = 0.3;
    s.pmutation2 = 0.05;
    s.gap2 = 0.5;
    s.nsample = 2;
    s.runMode = "write";
    s.nWeights = 17;
    for (int w = -4; w <= 40; ++w) s.actualRate[w] = 4.0 + 0.01 * ((w * 7 + 40) % 5);
    for (int w = -3; w <= 40; ++w) s.actualChange[w] = s.actualRate[w] - s.actualRate[w - 1];
    s.resultDir = ".";
    s.pathTag = pathTagOf(0);
  }

  std::vector<std::string> rateWeeks() {
    std::vector<std::string> weeks;
    const std::string text = dir.read("r" + s.pathTag + ".csv");
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = text.find('\n', at);
      weeks.push_back(text.substr(at + 1, text.find('"', at + 1) - at - 1));
      at = end + 1;
    }
    return weeks;
  }

  int simulatedCount() const {
    int total = 0;
    for (int k = -s.ndiv; k <= s.ndiv; ++k) total += s.simHist[k];
    return total;
  }

  std::string data;
  testing::TempDir dir;
  testing::WorkingDirectory inside;  // per-path names are short relative ones
  RecordingDisplay display;
  std::unique_ptr<RunState> state;
  RunState& s;
};

TEST_F(PathLoop, InitRunPreparesTheRun) {
  s.popsize = 20;
  s.gap1 = 0.25;
  s.gap2 = 0.5;
  initRun(s);
  EXPECT_EQ(s.gapCount1, 6);  // 5 made even
  EXPECT_EQ(s.gapCount2, 10);
  EXPECT_EQ(s.teachyear, 3);  // minyear 1 + 3 weeks - 1
  EXPECT_EQ(s.rngIndex, 0);
  EXPECT_EQ(s.factorValue[1], (3 + 5) % 7 - 3);  // data line 1
  EXPECT_EQ(display.log, (std::vector<std::string>{"Simulation start!"}));
}

TEST_F(PathLoop, RefusesGapCountsBeyondThePopulation) {
  s.popsize = 7;
  s.gap1 = 1;  // 7 made even is 8
  try {
    initRun(s);
    FAIL() << "no error";
  } catch (const RunError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("gap1"), std::string::npos) << message;
    EXPECT_NE(message.find("popsize = 7"), std::string::npos) << message;
    EXPECT_NE(message.find(" 6."), std::string::npos) << message;
  }
  s.gap1 = 0.5;
  s.gap2 = -0.5;
  EXPECT_THROW(initRun(s), RunError);
  s.gap2 = 1.5;
  EXPECT_THROW(initRun(s), RunError);
  s.popsize = 8;
  s.gap2 = 1;
  EXPECT_NO_THROW(initRun(s));
  EXPECT_EQ(s.gapCount2, 8);
}

TEST_F(PathLoop, RefusesAPopulationThatCannotBreedAPair) {
  for (int popsize : {0, 1}) {
    s.popsize = popsize;
    s.gap1 = s.gap2 = 0;
    EXPECT_THROW(initRun(s), RunError) << popsize;
  }
  s.popsize = 2;
  EXPECT_NO_THROW(initRun(s));
}

TEST_F(PathLoop, FirstAgentOfARunGetsTheFirstCodes) {
  initRun(s);
  initPopulation(s);
  const int expected[10] = {3, 1, 0, -3, 1, -2, 0, 4, 4, -4};
  for (int g = 1; g <= 10; ++g) EXPECT_EQ(s.agents[1].genes[g], expected[g - 1]) << g;
  EXPECT_EQ(s.agents[1].position, 0);
  // The first path clears at week 0, a training week: the starting fitness
  // is the error against the actual change of week 0.
  EXPECT_EQ(s.agents[1].fitness, -std::fabs(s.actualChange[0] - s.agents[1].forecast));
}

TEST_F(PathLoop, TrainingPassesRepeatAndOnlyTheLastIsWritten) {
  initRun(s);
  runPath(s);
  s.rateFile.close();
  // Weeks 1 2 3 1 2 3 4 5: eight steps; the writer sees the second pass and 4, 5.
  EXPECT_EQ(display.progress, (std::vector<int>{12, 25, 37, 50, 62, 75, 87, 100}));
  EXPECT_EQ(rateWeeks(), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
  EXPECT_EQ(s.week, 5);
  EXPECT_EQ(s.trainPass, 3);
  EXPECT_EQ(simulatedCount(), 2);
}

TEST_F(PathLoop, NoTrainingPassesStillRunEveryWeekOnce) {
  for (int nsample : {0, 1}) {
    display.progress.clear();
    s.nsample = nsample;
    s.teachyear = 3;
    initRun(s);
    runPath(s);
    s.rateFile.close();
    EXPECT_EQ(rateWeeks(), (std::vector<std::string>{"1", "2", "3", "4", "5"})) << nsample;
    ASSERT_EQ(display.progress.size(), 5u);
    for (int p : display.progress) {
      EXPECT_GE(p, 0);
      EXPECT_LE(p, 100);
    }
    EXPECT_EQ(display.progress.back(), 100);
  }
}

TEST_F(PathLoop, LaterPathsClearFirstAtTheLastWeek) {
  initRun(s);
  runPath(s);
  s.rateFile.close();
  const int firstPath = simulatedCount();
  s.pathTag = pathTagOf(1);
  runPath(s);
  s.rateFile.close();
  EXPECT_EQ(simulatedCount(), firstPath + 1);
}

TEST_F(PathLoop, RestoredGeneratorRepeatsTheFirstPath) {
  initRun(s);
  const int index = s.rngIndex;
  const auto table = s.rngTable;
  runPath(s);
  s.rateFile.close();
  const std::string first = dir.read("r0000.csv");

  RecordingDisplay otherDisplay;
  auto other = newRunState(otherDisplay);
  static_cast<Parameters&>(*other) = static_cast<Parameters&>(s);
  other->teachyear = 3;
  other->nWeights = s.nWeights;
  other->dataFile = TextReader("data.txt", data);
  other->actualRate = s.actualRate;
  other->actualChange = s.actualChange;
  other->resultDir = s.resultDir;
  other->pathTag = pathTagOf(1);
  initRun(*other);
  nextRandom(*other);  // move away, then restore as a replay does
  other->rngIndex = index;
  other->rngTable = table;
  runPath(*other);
  other->rateFile.close();
  EXPECT_EQ(dir.read("r0001.csv"), first);
}

}  // namespace
}  // namespace vk

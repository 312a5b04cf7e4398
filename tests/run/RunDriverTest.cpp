#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "io/ResultLock.h"
#include "io/RunError.h"
#include "model/Display.h"
#include "run/RunDriver.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

using testing::TempDir;
using testing::WorkingDirectory;

// Records what a run shows.
class RecordingDisplay : public NullDisplay {
 public:
  void AppendLog(const std::string& text) override { log.push_back(text); }
  void SetPathProgress(int percent) override { pathProgress.push_back(percent); }
  std::vector<std::string> log;
  std::vector<int> pathProgress;
};

std::string para(const std::string& mode, int popsize = 6, int simtimes = 3, int ndiv = 3, int maxyear = 14,
                 int minyear = 6) {
  return "0.01\n" + std::to_string(ndiv) + "\n0.01\n0.02\n0.015\n" + std::to_string(popsize) + "\n" +
         std::to_string(minyear) + "\n" + std::to_string(maxyear) + "\n4\n0.6\n0.01\n0.5\n0.3\n0.01\n0.5\n" +
         std::to_string(simtimes) + "\n2\n" + mode + "\n";
}

class RunDriver : public ::testing::Test {
 protected:
  RunDriver() {
    testing::writeSmallMarket(dir);
    dir.write("wdata.txt", "2\n2 1 2\n2 15 16\n1\n2 1 1 2 3\n");
    std::filesystem::create_directory(dir.path() / "res");
  }

  // Runs in the temp dir; returns the error message, empty on success.
  std::string run(const std::string& resultDir = "res", const std::string& price = "price.txt",
                  const std::string& data = "data.txt") {
    WorkingDirectory inside(dir.path());
    ranMode = false;
    try {
      ranMode = RunSimulation(resultDir, price, data, display);
    } catch (const RunError& e) {
      return e.what();
    }
    return "";
  }

  // The files of a result directory but its lock file.
  std::set<std::string> resultFiles(const std::string& sub = "res") const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path() / sub))
      if (entry.path().filename() != "run.lock") names.insert(entry.path().filename().string());
    return names;
  }

  TempDir dir;
  RecordingDisplay display;
  bool ranMode = false;
};

TEST_F(RunDriver, WriteModeStoresRandomStatesAndTheReport) {
  dir.write("para.txt", para("write", 6, 2));
  ASSERT_EQ(run(), "");
  EXPECT_TRUE(ranMode);
  EXPECT_EQ(resultFiles(), (std::set<std::string>{"eval.txt", "r0000.csv", "r0001.csv", "rnd0000.csv", "rnd0001.csv"}));
  const std::string state = dir.read("res/rnd0000.csv");
  EXPECT_EQ(state.substr(0, 2), "0\n");  // the first path starts right after seeding
  EXPECT_EQ(std::count(state.begin(), state.end(), '\n'), 56);
  EXPECT_EQ(display.log, (std::vector<std::string>{"Simulation start!", "Simulation end."}));
}

TEST_F(RunDriver, AStoredRandomStateBeyondTheTableIsRefused) {
  dir.write("para.txt", para("write", 6, 1));
  ASSERT_EQ(run(), "");
  std::string state = dir.read("res/rnd0000.csv");
  state.replace(0, 1, "56");
  dir.write("res/rnd0000.csv", state);
  dir.write("para.txt", para("read"));
  dir.write("filename.txt", "res\n1\n0\n");
  EXPECT_NE(run().find("rnd0000.csv, line 1: the random index = 56 is outside what a run supports (0..55"),
            std::string::npos);
}

TEST_F(RunDriver, AllModeWritesTheFullSetAndReportsPathProgress) {
  dir.write("para.txt", para("all", 6, 3));
  ASSERT_EQ(run(), "");
  std::set<std::string> expected{"eval.txt"};
  for (const char* prefix : {"r", "w", "q", "f"})
    for (const char* tag : {"0000", "0001", "0002"}) expected.insert(std::string(prefix) + tag + ".csv");
  EXPECT_EQ(resultFiles(), expected);
  EXPECT_EQ(display.pathProgress, (std::vector<int>{0, 33, 66, 100}));
}

TEST_F(RunDriver, ReplayModesRerunTheListedPaths) {
  dir.write("para.txt", para("write", 6, 3));
  ASSERT_EQ(run(), "");
  const std::string stored = dir.read("res/r0002.csv");

  dir.write("para.txt", para("read"));
  dir.write("filename.txt", "res\n2\n2\n0\n");
  ASSERT_EQ(run("elsewhere"), "");  // the list names the directory
  for (const char* name : {"w0002.csv", "q0002.csv", "f0002.csv", "w0000.csv", "q0000.csv", "f0000.csv"})
    EXPECT_TRUE(resultFiles().count(name)) << name;
  EXPECT_FALSE(resultFiles().count("fo.0000.csv"));
  EXPECT_EQ(dir.read("res/r0002.csv"), stored);  // rerun from its stored random state

  dir.write("para.txt", para("detail"));
  dir.write("filename.txt", "res\n2\n1\n1\n");
  ASSERT_EQ(run(), "");
  EXPECT_TRUE(resultFiles().count("fo.0001.csv"));
  EXPECT_TRUE(resultFiles().count("all1.dat.9"));  // the last training week, then every 2 weeks
  EXPECT_TRUE(resultFiles().count("all1.dat.11"));
  EXPECT_FALSE(resultFiles().count("all1.dat.10"));

  dir.write("loading.dat.98", "");
  dir.write("res/loading.dat.98", "1\n2\n1 3\n0.5 -0.5\n");
  for (const char* mode : {"factor", "frequency"}) {
    dir.write("para.txt", para(mode));
    dir.write("filename.txt", "res\n1\n2\n");
    ASSERT_EQ(run(), "") << mode;
  }
  EXPECT_TRUE(resultFiles().count("sc0002.csv"));
  EXPECT_TRUE(resultFiles().count("frq0002.csv"));
  (void)stored;
}

TEST_F(RunDriver, UnknownModeWordsRunNothingAndSaySo) {
  for (const char* mode : {"write ", "Write", "al", "abcdefghijklmnopqrstuvwxyz0123456789"}) {
    display.log.clear();
    dir.write("para.txt", para(mode));
    ASSERT_EQ(run(), "");
    EXPECT_FALSE(ranMode) << mode;
    EXPECT_TRUE(resultFiles().empty()) << mode;
    ASSERT_EQ(display.log.size(), 3u);
    EXPECT_NE(display.log[1].find("is not recognised"), std::string::npos);
    EXPECT_EQ(display.log[2], "Simulation end.");
  }
  EXPECT_NE(display.log[1].find("'abcdefghijklmnopqrstuvwxyz0123'"), std::string::npos);
}

TEST_F(RunDriver, MissingInputFilesStopTheRunNamingTheFile) {
  dir.write("para.txt", para("all"));
  EXPECT_NE(run("res", "price.txt", "nodata.txt").find("'nodata.txt'"), std::string::npos);
  EXPECT_NE(run("res", "noprice.txt").find("'noprice.txt'"), std::string::npos);
  EXPECT_NE(run("nores").find("The result directory 'nores' does not exist"), std::string::npos);

  dir.write("para.txt", para("read"));
  EXPECT_NE(run().find("'filename.txt'"), std::string::npos);
  dir.write("filename.txt", "res\n-5\n");
  EXPECT_NE(run().find("filename.txt, line 2: the number of paths = -5"), std::string::npos);
  EXPECT_TRUE(display.log.empty() || display.log.back() != "Simulation end.");
  dir.write("filename.txt", "res\n1\n7\n");
  EXPECT_NE(run().find("'res/rnd0007.csv'"), std::string::npos);
  EXPECT_FALSE(resultFiles().count("w0007.csv"));  // nothing of that path was created

  dir.write("para.txt", para("factor"));
  EXPECT_NE(run().find("'res/rnd0007.csv'"), std::string::npos);
  EXPECT_TRUE(resultFiles().count("sc0007.csv"));  // created empty before the state was read

  std::filesystem::remove(dir.path() / "para.txt");
  EXPECT_NE(run().find("'para.txt'"), std::string::npos);
  dir.write("para.txt", para("all"));
  std::filesystem::remove(dir.path() / "wdata.txt");
  EXPECT_NE(run().find("'wdata.txt'"), std::string::npos);
  EXPECT_TRUE(display.log.empty() || display.log.back() != "Simulation end.");
}

TEST_F(RunDriver, MalformedNumbersNameFileLineAndText) {
  std::string bad = para("all");
  bad.replace(bad.find("\n6\n"), 3, "\n1.5\n");
  dir.write("para.txt", bad);
  EXPECT_EQ(run(), "'1.5' is not a valid integer value (para.txt, line 6)");
  dir.write("para.txt", para("all"));
  dir.write("price.txt", "4.0\n4,1\n");
  EXPECT_EQ(run(), "'4,1' is not a valid floating point value (price.txt, line 2)");
}

TEST_F(RunDriver, ParametersBeyondTheLimitsAreRefusedBeforeAnyFile) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {para("all", 201), "popsize = 201"},          {para("all", 6, 1, 41), "ndiv = 41"},
      {para("all", 6, 1, 3, 801), "maxyear = 801"}, {para("all", 6, 1, 3, 14, 0), "minyear = 0"},
      {para("all", 6, 1, 3, 5, 6), "maxyear = 5"},
  };
  for (const auto& [text, message] : cases) {
    dir.write("para.txt", text);
    EXPECT_NE(run().find(message), std::string::npos) << message;
    EXPECT_TRUE(resultFiles().empty()) << message;
  }
}

TEST_F(RunDriver, LongFileNamesAreRefusedNeverShortened) {
  const std::string longDir = "a_result_directory_name";  // 23 + "/rnd0000.csv" is 35 characters
  std::filesystem::create_directory(dir.path() / longDir);
  dir.write("para.txt", para("write", 6, 1));
  EXPECT_NE(run(longDir).find("'a_result_directory_name/rnd0000.csv' is 35 bytes long; a run supports names of "
                              "at most 30 bytes"),
            std::string::npos);
  EXPECT_FALSE(dir.exists(longDir + "/eval.txt"));  // checked before anything is created
}

TEST_F(RunDriver, DetailModeNeedsAPositiveSnapshotInterval) {
  dir.write("para.txt", para("write", 6, 1));
  ASSERT_EQ(run(), "");
  dir.write("para.txt", para("detail"));
  dir.write("filename.txt", "res\n0\n1\n0\n");
  EXPECT_NE(run().find("filename.txt, line 2"), std::string::npos);
  EXPECT_FALSE(resultFiles().count("w0000.csv"));
}

TEST_F(RunDriver, NoPathsGiveAnEmptyReport) {
  dir.write("para.txt", para("all", 6, 0));
  ASSERT_EQ(run(), "");
  EXPECT_EQ(resultFiles(), (std::set<std::string>{"eval.txt"}));
  EXPECT_EQ(dir.read("res/eval.txt"), "");
  EXPECT_EQ(display.pathProgress, (std::vector<int>{0}));
  dir.write("para.txt", para("read"));
  dir.write("filename.txt", "res\n0\n");
  EXPECT_EQ(run(), "");
}

TEST_F(RunDriver, DamagedRandomStatesAreRefusedAndNothingIsRewritten) {
  dir.write("para.txt", para("write", 6, 1));
  ASSERT_EQ(run(), "");
  const std::string state = dir.read("res/rnd0000.csv");
  const std::string stored = dir.read("res/r0000.csv");
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = state.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(state.substr(at, end - at + 1));
  ASSERT_EQ(lines.size(), 56u);
  const auto firstLines = [&lines](std::size_t n) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i) text += lines[i];
    return text;
  };
  std::string trailing = state;
  trailing.insert(state.find('\n', 100), " 0.5");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", ": it ends after 0 of its 56 lines"},
      {firstLines(1), ": it ends after 1 of its 56 lines"},
      {firstLines(10), ": it ends after 10 of its 56 lines"},
      {firstLines(30), ": it ends after 30 of its 56 lines"},
      {firstLines(55), ": it ends after 55 of its 56 lines"},
      {state.substr(0, state.size() - 20), ": its last line is cut short"},
      {trailing, ": line 3 holds '"},
      {state + "0.5\n", ": line 57 follows its last value"},
      {"56\n" + state.substr(2), ", line 1: the random index = 56 is outside what a run supports (0..55"},
      {state.substr(0, 2) + "1.5" + state.substr(state.find('\n', 2)),
       ": line 2: the table value '1.5' is outside [0, 1)"},
  };
  dir.write("para.txt", para("read"));
  dir.write("filename.txt", "res\n1\n0\n");
  for (const auto& [text, why] : cases) {
    dir.write("res/rnd0000.csv", text);
    const std::string error = run();
    EXPECT_NE(error.find("res/rnd0000.csv" + why), std::string::npos) << error;
    EXPECT_EQ(dir.read("res/r0000.csv"), stored) << why;
    EXPECT_FALSE(resultFiles().count("w0000.csv")) << why;
  }
  dir.write("res/rnd0000.csv", state);
  EXPECT_EQ(run(), "");
  EXPECT_EQ(dir.read("res/r0000.csv"), stored);  // the intact state replays the stored course
}

TEST_F(RunDriver, AReplayListShorterThanItsCountIsRefusedBeforeAnyFile) {
  dir.write("para.txt", para("write", 6, 3));
  ASSERT_EQ(run(), "");
  const std::string stored = dir.read("res/r0000.csv");
  dir.write("para.txt", para("read"));
  dir.write("filename.txt", "res\n3\n1\n2\n");
  EXPECT_EQ(run(), "filename.txt: line 2 announces 3 paths, but the file lists 2; no file was written");
  EXPECT_EQ(dir.read("res/r0000.csv"), stored);
  EXPECT_FALSE(resultFiles().count("w0001.csv"));
  dir.write("para.txt", para("detail"));
  dir.write("filename.txt", "res\n2\n1\n");
  EXPECT_EQ(run(), "filename.txt: line 3 announces 1 path, but the file lists 0; no file was written");
}

TEST_F(RunDriver, InputsThatEndBeforeTheRunsWeeksAreRefused) {
  std::string price, data;
  for (int line = 1; line <= 18; ++line) price += "4." + std::to_string(line) + "\n";  // weeks -4 to 13
  for (int line = 1; line <= 13; ++line) data += "1 2 3 4 5 6 7 8 9 10 11 12 13 14\n";
  dir.write("short-price.txt", price);
  dir.write("short-data.txt", data);
  dir.write("para.txt", para("all"));  // weeks 6 to 14
  EXPECT_EQ(run("res", "short-price.txt"),
            "short-price.txt ends at week 13 (line 18), but the run needs the rate of weeks -4 to 14 (maxyear = 14): "
            "line n holds week n - 5");
  EXPECT_EQ(run("res", "price.txt", "short-data.txt"),
            "short-data.txt ends at week 13 (line n holds week n), but the run reads weeks 6 to 14 (maxyear = 14)");
  EXPECT_TRUE(resultFiles().empty());

  // A value the last week cannot use is found before the first path, too.
  dir.write("bad-data.txt", data + "1 2 3 4 5 6 7 8 9 10 11 12 13 x14\n");
  EXPECT_EQ(run("res", "price.txt", "bad-data.txt"), "'x14' is not a valid integer value (bad-data.txt, line 14)");
  EXPECT_TRUE(resultFiles().empty());

  dir.write("para.txt", para("write", 6, 1));
  ASSERT_EQ(run(), "");
  dir.write("res/loading.dat.98", "2\n2\n1 3\n0.5 -0.5\n");
  dir.write("para.txt", para("factor"));
  dir.write("filename.txt", "res\n1\n0\n");
  EXPECT_EQ(run(),
            "res/loading.dat.98 ends in row 2: it announces 2 rows of 2 loadings after the row of weight numbers");
  dir.write("res/loading.dat.98", "1\n3\n1 3\n");
  EXPECT_NE(run().find("ends in row 0"), std::string::npos);
}

TEST_F(RunDriver, AnEmptyResultDirectoryNameIsRefused) {
  dir.write("para.txt", para("all"));
  EXPECT_EQ(run(""),
            "The result directory name is empty; it would put the files at the root of the file system. "
            "Name a directory, such as result or . for the working directory.");
  dir.write("para.txt", para("read"));
  dir.write("filename.txt", "\n1\n0\n");
  EXPECT_NE(run().find("The result directory name on line 1 of filename.txt is empty"), std::string::npos);
}

// A run that writes paths afresh records them; a replay rewrites paths of
// that run and keeps its record through its own marks.
TEST_F(RunDriver, ARunThatStopsLeavesItsMarkAndTheNextRunClearsIt) {
  dir.write("para.txt", para("write", 6, 2));
  ASSERT_EQ(run(), "");
  EXPECT_EQ(dir.read("res/run.lock"), "paths 0-1\nfiles r rnd\n");
  dir.write("para.txt", para("read"));
  dir.write("filename.txt", "res\n2\n1\n7\n");  // path 7 has no stored state
  EXPECT_NE(run().find("rnd0007.csv"), std::string::npos);
  const std::string mark = dir.read("res/run.lock");
  EXPECT_EQ(mark.rfind("mode read, process " + std::to_string(::getpid()) + " on ", 0), 0u) << mark;
  // Path 1 was replayed whole: its weights are of the record's run.
  EXPECT_EQ(mark.substr(mark.find('\n')),
            "\npath 7\npaths 0-1\nfiles r rnd\nreplayed f 1\nreplayed q 1\nreplayed w 1\n");
  const std::optional<UnfinishedRun> unfinished = readUnfinishedRun(dir.file("res"));
  ASSERT_TRUE(unfinished.has_value());
  EXPECT_EQ(unfinished->cutPath, 7);
  EXPECT_NE(unfinishedRunNote("res", *unfinished).find("did not finish (mode read, process"), std::string::npos);

  dir.write("filename.txt", "res\n1\n1\n");
  ASSERT_EQ(run(), "");
  EXPECT_EQ(dir.read("res/run.lock"), "paths 0-1\nfiles r rnd\nreplayed f 1\nreplayed q 1\nreplayed w 1\n");
  EXPECT_FALSE(readUnfinishedRun(dir.file("res")).has_value());

  // A run of no path records that it wrote none.
  dir.write("para.txt", para("all", 6, 0));
  ASSERT_EQ(run(), "");
  EXPECT_EQ(dir.read("res/run.lock"), "paths none\nfiles f q r w\n");
  EXPECT_EQ(readWrittenPaths(dir.file("res"))->count, 0);
}

}  // namespace
}  // namespace vk

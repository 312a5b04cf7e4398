// Files of an earlier run that a new run leaves beside its own: which they
// are, how they are moved aside, and what velquin-cli run says and does.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "analysis/EarlierRun.h"
#include "io/ResultLock.h"
#include "io/RunError.h"
#include "run/ParameterFile.h"
#include "tests/io/LockingProcess.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

Parameters mode(const std::string& runMode, int simtimes) {
  Parameters p;
  p.runMode = runMode;
  p.simtimes = simtimes;
  return p;
}

class EarlierRun : public ::testing::Test {
 protected:
  EarlierRun() { fs::create_directory(dir.path() / "res"); }
  void touch(const std::string& name) { dir.write("res/" + name, "x\n"); }
  std::string res() const { return dir.file("res"); }
  TempDir dir;
};

// Every summary the analysis windows and the command line write is left
// from an earlier run, the facts table included.
TEST_F(EarlierRun, CountsTheSummariesOfAnEarlierRun) {
  for (const char* name : {"facts.csv", "freq.txt", "weight.txt", "facts.txt"}) touch(name);
  EXPECT_EQ(earlierRunFiles(res(), mode("all", 2)), (std::vector<std::string>{"facts.csv", "freq.txt", "weight.txt"}));
}

TEST_F(EarlierRun, FindsThePathsBeyondTheNewRunAndWhatItsModeDoesNotWrite) {
  for (int path : {0, 1, 2, 3})
    for (const char* prefix : {"r", "w", "q", "f"}) touch(prefix + std::string("000") + std::to_string(path) + ".csv");
  for (const char* name : {"rnd0001.csv", "sc0000.csv", "frq0002.csv", "fo.0001.csv", "all1.dat.250", "stat.txt",
                           "statname.txt", "R0009.CSV", "eval.txt", "notes.txt", "r12.txt", "run.csv"})
    touch(name);
  fs::create_directory(dir.path() / "res/r0007.csv");  // a folder is never moved

  EXPECT_EQ(earlierRunFiles(res(), mode("all", 2)),
            (std::vector<std::string>{"R0009.CSV", "all1.dat.250", "f0002.csv", "f0003.csv", "fo.0001.csv",
                                      "frq0002.csv", "q0002.csv", "q0003.csv", "r0002.csv", "r0003.csv", "rnd0001.csv",
                                      "sc0000.csv", "stat.txt", "statname.txt", "w0002.csv", "w0003.csv"}));
  // A run in mode "write" rewrites the rate and random-state files only.
  const std::vector<std::string> afterWrite = earlierRunFiles(res(), mode("write", 4));
  EXPECT_EQ(std::count(afterWrite.begin(), afterWrite.end(), "w0000.csv"), 1);
  EXPECT_EQ(std::count(afterWrite.begin(), afterWrite.end(), "r0003.csv"), 0);
  EXPECT_EQ(std::count(afterWrite.begin(), afterWrite.end(), "rnd0001.csv"), 0);
  // The replay modes add to an earlier run on purpose.
  for (const char* replay : {"read", "detail", "factor", "frequency", "nonsense"})
    EXPECT_TRUE(earlierRunFiles(res(), mode(replay, 1)).empty()) << replay;
  EXPECT_TRUE(earlierRunFiles(dir.file("missing"), mode("all", 1)).empty());
}

TEST_F(EarlierRun, MovesIntoANewFolderAndNeverOverAnEarlierOne) {
  for (const char* name : {"r0005.csv", "w0005.csv", "r0000.csv"}) touch(name);
  const std::vector<std::string> earlier = earlierRunFiles(res(), mode("all", 1));
  ASSERT_EQ(earlier.size(), 2u);
  EXPECT_EQ(describeEarlierRunFiles("res", earlier),
            "2 files of an earlier run (r0005.csv, w0005.csv) are in res and will not be rewritten by this run.");
  EXPECT_EQ(describeEarlierRunFiles("res", {"r0005.csv"}),
            "1 file of an earlier run (r0005.csv) is in res and will not be rewritten by this run.");

  fs::create_directory(dir.path() / "res/earlier-run-1");
  dir.write("res/earlier-run-1/r0005.csv", "older\n");
  EXPECT_EQ(nextEarlierRunFolder(res()), "earlier-run-2");
  EXPECT_EQ(moveEarlierRunFiles(res(), earlier), "earlier-run-2");
  EXPECT_EQ(dir.read("res/earlier-run-1/r0005.csv"), "older\n");
  EXPECT_EQ(dir.read("res/earlier-run-2/r0005.csv"), "x\n");
  EXPECT_TRUE(dir.exists("res/earlier-run-2/w0005.csv"));
  EXPECT_TRUE(dir.exists("res/r0000.csv"));
  EXPECT_TRUE(earlierRunFiles(res(), mode("all", 1)).empty());
}

// The whole earlier run goes, also what this run rewrites, so that the folder
// is a run of its own; what no run writes stays.
TEST_F(EarlierRun, MovingTheWholeRunTakesEveryFileItWroteAndItsCutMark) {
  for (const char* name : {"r0000.csv", "w0000.csv", "r0001.csv", "eval.txt", "stat.txt", "all1.dat.250"}) touch(name);
  touch("loading.dat.98");  // an input of the replay modes
  touch("notes.txt");
  {
    ResultLock cut(res(), ResultLock::Use::Run);
    cut.markStarted("all", ResultLock::Paths::Renewed, {"r", "w", "q", "f"});
    cut.markPath(1);
  }  // left unfinished: its mark stays
  EXPECT_EQ(wholeRunFiles(res()),
            (std::vector<std::string>{"all1.dat.250", "eval.txt", "r0000.csv", "r0001.csv", "stat.txt", "w0000.csv"}));
  EXPECT_EQ(earlierRunFiles(res(), mode("all", 1)),
            (std::vector<std::string>{"all1.dat.250", "r0001.csv", "stat.txt"}));
  const MovedRun moved = moveEarlierRun(res());
  EXPECT_EQ(moved.folder, "earlier-run-1");
  EXPECT_EQ(moved.files, 6u);
  for (const char* name : {"r0000.csv", "w0000.csv", "r0001.csv", "eval.txt", "stat.txt", "all1.dat.250"}) {
    EXPECT_TRUE(dir.exists(std::string("res/earlier-run-1/") + name)) << name;
    EXPECT_FALSE(dir.exists(std::string("res/") + name)) << name;
  }
  EXPECT_TRUE(dir.exists("res/loading.dat.98"));
  EXPECT_TRUE(dir.exists("res/notes.txt"));
  // The moved run still says which path was cut.
  const std::optional<UnfinishedRun> mark = readUnfinishedRun(res() + "/earlier-run-1");
  ASSERT_TRUE(mark.has_value());
  EXPECT_EQ(mark->cutPath, 1);
  EXPECT_FALSE(readUnfinishedRun(res()).has_value());
  EXPECT_FALSE(readWrittenPaths(res()).has_value());

  ASSERT_TRUE(readWrittenPaths(res() + "/earlier-run-1").has_value());
  EXPECT_EQ(readWrittenPaths(res() + "/earlier-run-1")->count, 1);

  // A finished run takes its record of paths and no mark.
  fs::create_directory(dir.path() / "done");
  dir.write("done/r0000.csv", "x\n");
  {
    ResultLock finished(dir.file("done"), ResultLock::Use::Run);
    finished.markStarted("all", ResultLock::Paths::Renewed, {"r", "w", "q", "f"});
    finished.markPath(0);
    finished.markFinished();
  }
  EXPECT_EQ(moveEarlierRun(dir.file("done")).files, 1u);
  EXPECT_TRUE(dir.exists("done/earlier-run-1/r0000.csv"));
  EXPECT_FALSE(readUnfinishedRun(dir.file("done/earlier-run-1")).has_value());
  ASSERT_TRUE(readWrittenPaths(dir.file("done/earlier-run-1")).has_value());
  EXPECT_EQ(readWrittenPaths(dir.file("done/earlier-run-1"))->count, 1);
  EXPECT_EQ(dir.read("done/run.lock"), "");
}

TEST_F(EarlierRun, AFileThatCannotBeMovedIsNamed) {
  touch("r0001.csv");
  try {
    moveEarlierRunFiles(res(), {"r0001.csv", "r0002.csv"});
    FAIL() << "moved a file that is not there";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("r0002.csv"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(dir.exists("res/earlier-run-1/r0001.csv"));  // moved before the failure, and kept
}

TEST_F(EarlierRun, NothingIsMovedWhileAnotherProcessHoldsTheDirectory) {
  touch("r0005.csv");
  testing::LockingProcess run(res(), ResultLock::Use::Run);
  ASSERT_TRUE(run.locked());
  try {
    moveEarlierRunFiles(res(), {"r0005.csv"});
    FAIL() << "moved the files of a directory a run is writing";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("is in use: a run is writing it"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(dir.exists("res/r0005.csv"));
  EXPECT_FALSE(dir.exists("res/earlier-run-1"));
}

// velquin-cli run on a small run of two paths over a directory that holds
// five paths of an earlier run.
class RunCommandEarlier : public EarlierRun {
 protected:
  RunCommandEarlier() {
    testing::writeSmallMarket(dir);
    dir.write("wdata.txt", "2\n2 1 2\n2 15 16\n1\n2 1 1 2 3\n");
    dir.write("para.txt", "0.01\n3\n0.01\n0.02\n0.015\n6\n6\n14\n4\n0.6\n0.01\n0.5\n0.3\n0.01\n0.5\n2\n1\nall\n");
    for (int path = 0; path < 5; ++path) touch("r000" + std::to_string(path) + ".csv");
  }

  int run(const std::string& options) {
    const std::string command = std::string(VELQUIN_CLI) + " run --quiet -C '" + dir.path().string() +
                                "' --result res " + options + " 2>'" + dir.file("stderr") + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST_F(RunCommandEarlier, NamesTheFilesAndMovesThemOnlyWhenAsked) {
  ASSERT_EQ(run(""), 0);
  EXPECT_NE(dir.read("stderr").find("3 files of an earlier run (r0002.csv ... r0004.csv) are in res"),
            std::string::npos)
      << dir.read("stderr");
  EXPECT_NE(dir.read("stderr").find("--move-earlier"), std::string::npos);
  EXPECT_EQ(dir.read("res/r0004.csv"), "x\n");

  ASSERT_EQ(run("--move-earlier"), 0);
  EXPECT_NE(dir.read("stderr").find(") was moved into res/earlier-run-1"), std::string::npos) << dir.read("stderr");
  EXPECT_EQ(dir.read("res/earlier-run-1/r0004.csv"), "x\n");
  EXPECT_FALSE(dir.exists("res/r0004.csv"));
  EXPECT_NE(dir.read("res/r0001.csv"), "x\n");  // the new run's own

  ASSERT_EQ(run(""), 0);
  EXPECT_EQ(dir.read("stderr"), "");  // nothing left to mix
}

}  // namespace
}  // namespace vk

// The result directory's lock between two real processes.
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "io/ResultLock.h"
#include "io/RunError.h"
#include "tests/io/LockingProcess.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

using testing::LockingProcess;
using testing::TempDir;

std::string host() {
  char name[256] = {};
  ::gethostname(name, sizeof name - 1);
  return name;
}

std::string lockError(const std::string& directory, ResultLock::Use use) {
  try {
    ResultLock lock(directory, use);
  } catch (const RunError& e) {
    return e.what();
  }
  return "";
}

TEST(ResultLock, ARunKeepsOutASecondRunAndEverySummary) {
  TempDir dir;
  const std::string d = dir.path().string();
  LockingProcess other(d, ResultLock::Use::Run);
  ASSERT_TRUE(other.locked());
  const std::string holder = "process " + std::to_string(other.pid()) + "; mode all, process " +
                             std::to_string(other.pid()) + " on " + host() + ", started ";
  const std::string run = lockError(d, ResultLock::Use::Run);
  EXPECT_EQ(run.rfind("The result directory '" + d + "' is in use: a run is writing it (" + holder, 0), 0u) << run;
  EXPECT_NE(run.find(" UTC). A second run into it is refused; wait for the other to end, or choose another result "
                     "directory."),
            std::string::npos)
      << run;
  const std::string summary = lockError(d, ResultLock::Use::Summary);
  EXPECT_NE(summary.find("a run is writing it (" + holder), std::string::npos) << summary;
  EXPECT_NE(summary.find("Summarise it when the run has ended."), std::string::npos) << summary;

  other.end();
  EXPECT_EQ(lockError(d, ResultLock::Use::Run), "");
}

TEST(ResultLock, SummariesShareTheLockAndKeepRunsOut) {
  TempDir dir;
  const std::string d = dir.path().string();
  // The mark of a run that ended long ago does not make the readers a run.
  dir.write(kLockFileName, "mode all, process 1 on elsewhere, started 2026-01-01 00:00:00 UTC\npath 2\n");
  LockingProcess other(d, ResultLock::Use::Summary);
  ASSERT_TRUE(other.locked());
  EXPECT_EQ(lockError(d, ResultLock::Use::Summary), "");
  EXPECT_EQ(lockError(d, ResultLock::Use::Run),
            "The result directory '" + d + "' is in use: a summary is reading it (process " +
                std::to_string(other.pid()) +
                "). A second run into it is refused; wait for the other to end, or choose another result directory.");
}

TEST(ResultLock, AKilledRunFreesTheDirectoryAndLeavesItsMark) {
  TempDir dir;
  const std::string d = dir.path().string();
  LockingProcess other(d, ResultLock::Use::Run);
  ASSERT_TRUE(other.locked());
  const pid_t killed = other.pid();
  other.kill();
  {
    ResultLock summary(d, ResultLock::Use::Summary);
    ASSERT_TRUE(summary.unfinished().has_value());
    EXPECT_EQ(summary.unfinished()->cutPath, 3);
    EXPECT_EQ(unfinishedRunNote("res", *summary.unfinished()),
              "The last run in 'res' did not finish (" + summary.unfinished()->run +
                  "): path 3 was cut short, and the files of later paths may be left from an earlier run.");
    EXPECT_EQ(summary.unfinished()->run.rfind(
                  "mode all, process " + std::to_string(killed) + " on " + host() + ", started ", 0),
              0u);
  }
  // The killed run had completed paths 0 to 2 of its own.
  ASSERT_TRUE(readWrittenPaths(d).has_value());
  EXPECT_EQ(readWrittenPaths(d)->count, 3);
  // A new run proceeds, sees the mark, and replaces it with its own.
  ResultLock run(d, ResultLock::Use::Run);
  EXPECT_TRUE(run.unfinished().has_value());
  run.markStarted("write", ResultLock::Paths::Renewed, {"rnd", "r"});
  run.markFinished();
  EXPECT_EQ(dir.read(kLockFileName), "paths none\nfiles r rnd\n");
}

// The record of paths follows a renewing run path by path, survives a
// replay's marks, and is absent where no run kept one.
TEST(ResultLock, TheRecordSaysWhichPathsTheLastRunCompleted) {
  TempDir dir;
  const std::string d = dir.path().string();
  {
    ResultLock run(d, ResultLock::Use::Run);
    EXPECT_FALSE(run.writtenPaths().has_value());
    run.markStarted("all", ResultLock::Paths::Renewed, {"r", "w", "q", "f"});
    run.markPath(0);
    EXPECT_EQ(readWrittenPaths(d)->count, 0);
    run.markPath(1);
    const std::string mark = dir.read(kLockFileName);
    EXPECT_EQ(mark.substr(mark.find('\n')), "\npath 1\npaths 0-0\nfiles f q r w\n");
    EXPECT_EQ(readUnfinishedRun(d)->cutPath, 1);
    run.markPath(2);
    run.markFinished();
  }
  EXPECT_EQ(dir.read(kLockFileName), "paths 0-2\nfiles f q r w\n");
  EXPECT_FALSE(readUnfinishedRun(d).has_value());
  {
    ResultLock replay(d, ResultLock::Use::Run);
    ASSERT_TRUE(replay.writtenPaths().has_value());
    EXPECT_EQ(replay.writtenPaths()->count, 3);
    replay.markStarted("read", ResultLock::Paths::Kept, {"r", "w", "q", "f"});
    replay.markPath(7);
    EXPECT_EQ(readWrittenPaths(d)->count, 3);
    EXPECT_EQ(readUnfinishedRun(d)->cutPath, 7);
    replay.markFinished();
  }
  EXPECT_EQ(dir.read(kLockFileName), "paths 0-2\nfiles f q r w\n");

  // A replay that writes a kind the record's run did not adds the paths
  // where it did; the others' files of that kind are an earlier run's.
  dir.write(kLockFileName, "paths 0-4\nfiles r rnd\n");
  for (int path : {3, 1, 4}) {
    ResultLock replay(d, ResultLock::Use::Run);
    replay.markStarted("read", ResultLock::Paths::Kept, {"r", "w", "q", "f"});
    replay.markPath(path);
    replay.markFinished();
  }
  EXPECT_EQ(dir.read(kLockFileName), "paths 0-4\nfiles r rnd\nreplayed f 1,3-4\nreplayed q 1,3-4\nreplayed w 1,3-4\n");
  const WrittenPaths written = *readWrittenPaths(d);
  EXPECT_TRUE(written.holds("r", 0));
  EXPECT_TRUE(written.holds("w", 1));
  EXPECT_TRUE(written.holds("w", 4));
  EXPECT_FALSE(written.holds("w", 0));
  EXPECT_FALSE(written.holds("w", 2));
  EXPECT_FALSE(written.holds("r", 5));
  // A replay cut inside its path adds nothing for it.
  {
    ResultLock replay(d, ResultLock::Use::Run);
    replay.markStarted("read", ResultLock::Paths::Kept, {"r", "w", "q", "f"});
    replay.markPath(2);
  }
  EXPECT_FALSE(readWrittenPaths(d)->holds("w", 2));
  // A record of an earlier version names no kinds: every kind counts; a
  // damaged line of kinds or replays is left out.
  for (const char* old : {"paths 0-4\n", "paths 0-4\nfiles \n",
                          "paths 0-4\nfiles r\nreplayed w x\nreplayed w 3-1\nreplayed w 5-2000000000\n"}) {
    dir.write(kLockFileName, old);
    EXPECT_EQ(readWrittenPaths(d)->count, 5) << old;
    EXPECT_EQ(readWrittenPaths(d)->holds("w", 2), std::string(old).find("files r") == std::string::npos) << old;
  }

  // A run of an earlier version left an empty file, or a mark without a record.
  for (const char* old : {"", "mode all, process 1 on elsewhere, started 2026-01-01 00:00:00 UTC\npath 2\n"}) {
    dir.write(kLockFileName, old);
    EXPECT_FALSE(readWrittenPaths(d).has_value()) << old;
    ResultLock replay(d, ResultLock::Use::Run);
    replay.markStarted("read", ResultLock::Paths::Kept, {"r", "w", "q", "f"});
    replay.markFinished();
    EXPECT_EQ(dir.read(kLockFileName), "");
  }
  // A damaged record is no record, and says nothing of an unfinished run.
  for (const char* damaged :
       {"paths 3-9\n", "paths 0-x\n", "paths 0-2147483647\n", "paths 0-\n", "paths 0--1\n", "paths \n"}) {
    dir.write(kLockFileName, damaged);
    EXPECT_FALSE(readWrittenPaths(d).has_value()) << damaged;
    EXPECT_FALSE(readUnfinishedRun(d).has_value()) << damaged;
  }
}

TEST(ResultLock, ARunIntoADirectoryThatIsNotThereNamesIt) {
  TempDir dir;
  const std::string missing = (dir.path() / "nowhere").string();
  EXPECT_EQ(lockError(missing, ResultLock::Use::Run),
            "The result directory '" + missing + "' does not exist. Create it, or name another one.");
  dir.write("plain", "");
  const std::string file = (dir.path() / "plain").string();
  EXPECT_EQ(lockError(file, ResultLock::Use::Run),
            "The result directory '" + file + "' does not exist. Create it, or name another one.");
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(ResultLock, RefusesAnEmptyDirectoryName) {
  EXPECT_NE(lockError("", ResultLock::Use::Summary).find("The result directory name is empty"), std::string::npos);
  EXPECT_NE(lockError("", ResultLock::Use::Run).find("The result directory name is empty"), std::string::npos);
}

}  // namespace
}  // namespace vk

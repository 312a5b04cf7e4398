// The result directory's lock between two real processes.
#include <unistd.h>

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
  // A new run proceeds, sees the mark, and replaces it with its own.
  ResultLock run(d, ResultLock::Use::Run);
  EXPECT_TRUE(run.unfinished().has_value());
  run.markStarted("write");
  run.markFinished();
  EXPECT_EQ(dir.read(kLockFileName), "");
}

TEST(ResultLock, RefusesAnEmptyDirectoryName) {
  EXPECT_NE(lockError("", ResultLock::Use::Summary).find("The result directory name is empty"), std::string::npos);
  EXPECT_NE(lockError("", ResultLock::Use::Run).find("The result directory name is empty"), std::string::npos);
}

}  // namespace
}  // namespace vk

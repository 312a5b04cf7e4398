// velquin-cli run end to end: exit status and messages when the run cannot
// be what it claims, or its own output cannot be written.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "tests/io/LockingProcess.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

using testing::LockingProcess;
using testing::TempDir;

std::string para(const std::string& mode, int popsize = 6, int maxyear = 14, int simtimes = 2) {
  return "0.01\n3\n0.01\n0.02\n0.015\n" + std::to_string(popsize) + "\n6\n" + std::to_string(maxyear) +
         "\n4\n0.6\n0.01\n0.5\n0.3\n0.01\n0.5\n" + std::to_string(simtimes) + "\n2\n" + mode + "\n";
}

class CommandLine : public ::testing::Test {
 protected:
  CommandLine() {
    testing::writeSmallMarket(dir);
    dir.write("wdata.txt", "0\n0\n");
    dir.write("para.txt", para("all"));
    std::filesystem::create_directory(dir.path() / "res");
  }

  // Exit status of `velquin-cli <arguments>` in the scratch directory, run by
  // the shell after `before`; stderr is kept in `said`, stdout in `shown`.
  int cli(const std::string& arguments, const std::string& before = "", const std::string& out = "") {
    const std::string command = "cd '" + dir.path().string() + "' && " + before + " " + VELQUIN_CLI + " " + arguments +
                                " 2>stderr.txt " + (out.empty() ? ">stdout.txt" : ">" + out);
    const int status = std::system(("sh -c \"" + command + "\"").c_str());
    said = dir.read("stderr.txt");
    shown = dir.read("stdout.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  TempDir dir;
  std::string said, shown;
};

TEST_F(CommandLine, AModeWordThatNamesNoModeFailsEvenQuietly) {
  dir.write("para.txt", para("Write"));
  const std::string message =
      "velquin-cli: error: the run mode 'Write' on the last line of para.txt is none of write, "
      "all, read, detail, factor and frequency; no path was run\n";
  EXPECT_EQ(cli("run --quiet --result res"), 1);
  EXPECT_EQ(said, message);
  EXPECT_EQ(shown, "");
  EXPECT_EQ(cli("run --result res"), 1);
  EXPECT_NE(said.find(message), std::string::npos);
  EXPECT_NE(shown.find("The run mode 'Write' is not recognised; no path was run."), std::string::npos) << shown;
  EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "res"));
}

TEST_F(CommandLine, AnEmptyResultDirectoryIsRefused) {
  EXPECT_EQ(cli("run --quiet --result ''"), 1);
  EXPECT_NE(said.find("The result directory name is empty"), std::string::npos) << said;
  EXPECT_EQ(cli("analyze paths --all --result ''"), 1);
  EXPECT_NE(said.find("The result directory name given to --result is empty"), std::string::npos) << said;
}

TEST_F(CommandLine, AResultDirectoryThatIsNotThereIsNamed) {
  EXPECT_EQ(cli("run --quiet --result nowhere"), 1);
  EXPECT_EQ(said,
            "velquin-cli: error: The result directory 'nowhere' does not exist. Create it, or name another one.\n");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "nowhere"));
}

TEST_F(CommandLine, ALogThatCannotBeWrittenFailsTheCommand) {
  EXPECT_EQ(cli("run --result res", "", "/dev/full"), 1);
  EXPECT_EQ(said, "velquin-cli: error: Cannot write the log to 'standard output': No space left on device\n");
  EXPECT_EQ(cli("--help", "", "/dev/full"), 1);
  EXPECT_EQ(cli("run --quiet --result res", "", "/dev/full"), 0);  // nothing to write
}

TEST_F(CommandLine, AFileSizeLimitNamesTheFileThatReachedIt) {
  // One block of the shell's ulimit: eval.txt fits, the first path's
  // weights file does not.
  EXPECT_EQ(cli("run --quiet --result res", "ulimit -f 1 &&"), 1);
  EXPECT_EQ(said, "velquin-cli: error: Cannot write to file 'res/w0000.csv': File too large\n");
}

TEST_F(CommandLine, ASecondRunIntoTheSameDirectoryIsRefusedAtOnce) {
  LockingProcess first(dir.file("res"), ResultLock::Use::Run);
  ASSERT_TRUE(first.locked());
  EXPECT_EQ(cli("run --quiet --result res"), 1);
  const std::string pid = std::to_string(first.pid());
  EXPECT_NE(said.find("The result directory 'res' is in use: a run is writing it (process " + pid +
                      "; mode all, process " + pid),
            std::string::npos)
      << said;
  EXPECT_NE(said.find("A second run into it is refused"), std::string::npos) << said;
  EXPECT_FALSE(dir.exists("res/eval.txt"));
  first.end();
  EXPECT_EQ(cli("run --quiet --result res"), 0);
  // The other run's mark gives way to the record of this run's two paths.
  EXPECT_EQ(dir.read("res/run.lock"), "paths 0-1\nfiles f q r w\n");
}

// A run of two paths over one of three with one week more: the summaries of
// every path take the two, name the file left out, and never read it.
TEST_F(CommandLine, SummariesOfEveryPathTakeOnlyTheLastRunsPaths) {
  dir.write("para.txt", para("all", 6, 14, 3));
  ASSERT_EQ(cli("run --quiet --result res"), 0) << said;
  dir.write("para.txt", para("all", 8, 13, 2));
  ASSERT_EQ(cli("run --quiet --result res"), 0) << said;
  for (const char* summary : {"paths", "contour", "facts", "weights"}) {
    ASSERT_EQ(cli(std::string("analyze ") + summary + " --all --result res"), 0) << summary << ": " << said;
    const char* file = std::string(summary) == "weights" ? "w0002.csv" : "r0002.csv";
    EXPECT_NE(said.find(std::string("velquin-cli: warning: 1 file (") + file +
                        ") is left out: the last run in 'res' wrote paths 0-1, and this is left from an earlier run."),
              std::string::npos)
        << said;
    EXPECT_EQ(dir.read("res/statname.txt"), "2\n0000\n0001\n") << summary;
  }
  EXPECT_EQ(cli("analyze paths --paths 0-2 --result res"), 1);
  EXPECT_NE(said.find("Path 2 cannot be summarised (item 3 of the path list): the last run in 'res' wrote paths 0-1"),
            std::string::npos)
      << said;
}

// A "write" run of three paths over an "all" run of four: the earlier run's
// weight files of paths 0-2 are no weights of the last run, however the
// paths' count fits; a replay's are.
TEST_F(CommandLine, WeightsOfEveryPathTakeNoneAnEarlierRunOfTheSamePathsLeft) {
  dir.write("para.txt", para("all", 6, 14, 4));
  ASSERT_EQ(cli("run --quiet --result res"), 0) << said;
  dir.write("para.txt", para("write", 6, 14, 3));
  ASSERT_EQ(cli("run --quiet --result res"), 0) << said;
  ASSERT_EQ(cli("analyze weights --all --result res"), 1);
  EXPECT_NE(said.find("velquin-cli: warning: 1 file (w0003.csv) is left out: the last run in 'res' wrote paths 0-2, "
                      "and this is left from an earlier run. 3 files (w0000.csv ... w0002.csv) are left out: the last "
                      "run in 'res' wrote no such file for their paths, nor did a replay since, so they are left "
                      "from an earlier run."),
            std::string::npos)
      << said;
  EXPECT_NE(said.find("velquin-cli: error: 'res' holds no wNNNN.csv file of its last run; there is nothing to "
                      "summarise"),
            std::string::npos)
      << said;
  ASSERT_EQ(cli("analyze paths --all --result res"), 0) << said;
  EXPECT_EQ(dir.read("res/statname.txt"), "3\n0000\n0001\n0002\n");

  // A replay of path 1 writes its weights anew: they are the last run's.
  dir.write("filename.txt", "res\n1\n1\n");
  dir.write("para.txt", para("read", 6, 14, 3));
  ASSERT_EQ(cli("run --quiet --result res"), 0) << said;
  ASSERT_EQ(cli("analyze weights --all --result res"), 0) << said;
  EXPECT_EQ(dir.read("res/statname.txt"), "1\n0001\n");
  EXPECT_NE(said.find("2 files (w0000.csv, w0002.csv) are left out: the last run"), std::string::npos) << said;
}

// Stored para.txt files may hold a probability outside 0..1: the run goes
// on, and says on stderr what the genetic learning makes of it.
TEST_F(CommandLine, AProbabilityOutsideZeroToOneRunsWithAWarning) {
  std::string text = para("all");
  const std::string shares = "\n0.6\n0.01\n0.5\n0.3\n0.01\n";
  ASSERT_NE(text.find(shares), std::string::npos);
  text.replace(text.find(shares), shares.size(), "\n1.5\n0.01\n0.5\n0.3\n-0.1\n");
  dir.write("para.txt", text);
  ASSERT_EQ(cli("run --quiet --result res"), 0) << said;
  EXPECT_EQ(said,
            "velquin-cli: warning: para.txt, line 10: pcross1 = 1.50000 is a probability outside 0..1; the run goes "
            "on, and what it sets happens every time, as with 1\n"
            "velquin-cli: warning: para.txt, line 14: pmutation2 = -0.10000 is a probability outside 0..1; the run "
            "goes on, and what it sets happens never, as with 0\n");
  EXPECT_TRUE(dir.exists("res/r0001.csv"));
  ASSERT_EQ(cli("run --result res"), 0) << said;
  EXPECT_EQ(shown.find("warning"), std::string::npos) << shown;
}

}  // namespace
}  // namespace vk

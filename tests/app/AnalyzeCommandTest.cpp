// The analyze subcommand end to end: the program run on small result
// directories, its exit status and the files it leaves.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "analysis/PathSummary.h"
#include "io/RunError.h"
#include "tests/analysis/ResultFiles.h"
#include "tests/io/LockingProcess.h"

namespace vk {
namespace {

using testing::rateFile;
using testing::TempDir;
using testing::weightLine;

std::string readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class AnalyzeCommand : public ::testing::Test {
 protected:
  AnalyzeCommand() {
    std::filesystem::create_directory(dir.path() / "res");
    const std::vector<double> act{4.5, 4.5, 4.5, 4.6};
    write("r0000.csv", rateFile(1, {4.5, 4.5, 4.7, 4.7}, act));
    write("r0002.csv", rateFile(1, {4.5, 4.5, 4.4, 4.8}, act));
    write("R0001.CSV", rateFile(1, {4.5, 4.5, 4.4, 4.8}, act));
    for (const char* w : {"w0000.csv", "w0002.csv"})
      write(w, weightLine(1, {0.5}) + weightLine(2, {0.5}) + weightLine(3, {0.5}) + weightLine(4, {0.5}));
  }

  void write(const std::string& name, const std::string& text) { dir.write("res/" + name, text); }
  std::string read(const std::string& name) { return dir.read("res/" + name); }

  // Exit status of velquin-cli analyze with the arguments, run in the temp
  // dir; what it said on stderr is kept in `said`.
  int analyze(const std::string& arguments) {
    const std::string command = std::string(VELQUIN_CLI) + " analyze -C '" + dir.path().string() + "' --result res " +
                                arguments + " 2>'" + dir.file("stderr.txt") + "'";
    const int status = std::system(command.c_str());
    said = dir.read("stderr.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string said;

  TempDir dir;
};

TEST_F(AnalyzeCommand, WritesSelectionAndSummaryInListOrder) {
  ASSERT_EQ(analyze("paths --paths 2,0"), 0);
  EXPECT_EQ(read("statname.txt"), "2\n0002\n0000\n");
  EXPECT_EQ(read("stat.txt").substr(0, 37), "# Number of path 2\n# Paths \"2\",\"0\",\n#");

  ASSERT_EQ(analyze("weights --all"), 0);
  EXPECT_EQ(read("statname.txt"), "2\n0000\n0002\n");
  EXPECT_NE(read("weight.txt").find("4\t\"0.50000\",\n"), std::string::npos);
}

TEST_F(AnalyzeCommand, AllTakesExactlyThePathFilesInPathOrder) {
  // Copies and other files that the pattern r*.csv also matches are no paths:
  // R0001.CSV (case), r2.csv and rr0002.csv (copies), the random states of a
  // "write" run, a name with two dots.
  write("r2.csv", read("r0002.csv"));
  write("rr0002.csv", read("r0002.csv"));
  write("rnd0000.csv", "0\n");
  write("r0002.old.csv", read("r0002.csv"));
  write("r10000.csv", read("r0002.csv"));
  ASSERT_EQ(analyze("contour --all"), 0);
  EXPECT_EQ(read("statname.txt"), "3\n0000\n0002\n10000\n");
  EXPECT_NE(read("freq.txt").find("# Paths \"0\",\"2\",\"10000\",\n"), std::string::npos);
}

TEST_F(AnalyzeCommand, APathGivenTwiceIsRefusedBeforeAnyFile) {
  EXPECT_EQ(analyze("paths --paths 0,2,1-2"), 1);
  EXPECT_FALSE(dir.exists("res/statname.txt"));
  EXPECT_FALSE(dir.exists("res/stat.txt"));
}

TEST_F(AnalyzeCommand, ContourTakesTypedBoundsAndGrids) {
  ASSERT_EQ(analyze("contour --paths 0,2 --miny 4 --maxy 5 --grids 2 --maxz 1"), 0);
  EXPECT_EQ(read("freq.txt"),
            "# Number of path 2\n# Paths \"0\",\"2\",\n"
            "\"3\",\"  4.2500\",\"1\",\"\n\"3\",\"  4.7500\",\"1\",\"\n\n"
            "\"4\",\"  4.2500\",\"0\",\"\n\"4\",\"  4.7500\",\"1\",\"\n\n");  // 2 capped to 1
}

TEST_F(AnalyzeCommand, FactsWriteTheirTableInTheResultDirectoryOrWhereAsked) {
  ASSERT_EQ(analyze("facts --paths 2,0"), 0);
  EXPECT_EQ(read("statname.txt"), "2\n0002\n0000\n");
  const std::string table = read("facts.csv");
  EXPECT_EQ(table.substr(0, 22), "series,path,n,mean,std");
  for (const char* row :
       {"\nactual,,2,", "\nsim,2,2,", "\nsim,0,2,", "\nsim_median,,2,", "\nsim_p10,,2,", "\nsim_p90,,2,"})
    EXPECT_NE(table.find(row), std::string::npos) << row;

  ASSERT_EQ(analyze("facts --paths 0 --csv out/facts-0.csv"), 1);  // no folder out
  std::filesystem::create_directory(dir.path() / "out");
  ASSERT_EQ(analyze("facts --paths 0 --csv out/facts-0.csv"), 0);
  EXPECT_NE(dir.read("out/facts-0.csv").find("\nsim,0,2,"), std::string::npos);
  EXPECT_EQ(read("facts.csv"), table);
  EXPECT_EQ(analyze("paths --paths 0 --csv x.csv"), 2);
}

TEST_F(AnalyzeCommand, FailuresExitNonZero) {
  EXPECT_EQ(analyze("paths --grids 3 --paths 0"), 2);
  EXPECT_EQ(analyze("paths"), 2);
  EXPECT_EQ(analyze("paths --all --paths 0"), 2);
  EXPECT_EQ(analyze("histogram --all"), 2);
  EXPECT_EQ(analyze("contour --paths 0 --grids 0"), 1);
  EXPECT_EQ(analyze("contour --paths 0 --grids x"), 1);
  EXPECT_EQ(analyze("paths --paths 0,7"), 1);
  EXPECT_FALSE(dir.exists("res/stat.txt"));
}

// The names in the result directory, temporaries included.
std::vector<std::string> namesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// A summary refused half-way leaves the previous one as it was, and no
// temporary file beside it.
TEST_F(AnalyzeCommand, ARefusedSummaryKeepsThePreviousOne) {
  std::filesystem::create_directory(dir.path() / "out");
  for (const char* command :
       {"paths --all", "contour --all", "weights --all", "facts --all", "facts --all --csv out/table.csv"})
    ASSERT_EQ(analyze(command), 0) << command << ": " << said;
  std::map<std::string, std::string> before;
  for (const char* name : {"statname.txt", "stat.txt", "freq.txt", "weight.txt", "facts.csv"})
    before[name] = read(name);
  const std::string table = dir.read("out/table.csv");
  const std::vector<std::string> names = namesIn(dir.path() / "res");
  // The last week's simulated rate and change are not numbers.
  write("r0002.csv",
        rateFile(1, {4.5, 4.5, 4.4}, {4.5, 4.5, 4.5}) + "\"4\",\"nan\",\"4.60000\",\"nan\",\"0.10000\",\"1.00000\"\n");
  write("w0002.csv", weightLine(1, {0.5}) + weightLine(2, {0.5}) + weightLine(3, {0.5, 0.5}));
  for (const char* command :
       {"paths --all", "contour --all", "weights --all", "facts --all", "facts --all --csv out/table.csv"})
    EXPECT_EQ(analyze(command), 1) << command << ": " << said;
  for (const auto& [name, text] : before) {
    if (name == "statname.txt") continue;
    EXPECT_EQ(read(name), text) << name;
  }
  EXPECT_EQ(dir.read("out/table.csv"), table);
  EXPECT_EQ(namesIn(dir.path() / "res"), names);
  EXPECT_EQ(namesIn(dir.path() / "out"), std::vector<std::string>{"table.csv"});
}

// --csv never writes over what the command reads, never replaces a link or
// a special file, and writes a pipe or a device where it is.
TEST_F(AnalyzeCommand, CsvOutputsNeverDestroyInputsLinksOrSpecialFiles) {
  write("eval.txt", readWholeFile(std::string(VELQUIN_TEST_DATA) + "/golden/all/eval.txt"));
  const std::string report = read("eval.txt");
  EXPECT_EQ(analyze("report --csv res/eval.txt"), 1);
  EXPECT_NE(said.find("one of this command's inputs"), std::string::npos) << said;
  EXPECT_EQ(read("eval.txt"), report);
  std::filesystem::create_hard_link(dir.path() / "res/eval.txt", dir.path() / "same.txt");
  EXPECT_EQ(analyze("report --csv same.txt"), 1);
  EXPECT_EQ(read("eval.txt"), report);
  const std::string path = read("r0002.csv");
  EXPECT_EQ(analyze("facts --paths 2 --csv res/r0002.csv"), 1);
  EXPECT_EQ(analyze("facts --all --csv ./res/../res/r0000.csv"), 1);
  EXPECT_EQ(read("r0002.csv"), path);

  // A link stays a link; the file it names gets the table.
  dir.write("target.csv", "old\n");
  std::filesystem::create_symlink("target.csv", dir.path() / "link.csv");
  ASSERT_EQ(analyze("report --csv link.csv"), 0) << said;
  EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "link.csv"));
  EXPECT_EQ(dir.read("target.csv").substr(0, 11), "path,me_sim");
  std::filesystem::create_symlink("nowhere/x.csv", dir.path() / "dangling.csv");
  EXPECT_EQ(analyze("report --csv dangling.csv"), 1);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "dangling.csv"));

  // A pipe is written in place, to whoever reads it.
  ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
  ASSERT_EQ(std::system(("cat '" + dir.file("pipe") + "' > '" + dir.file("from-pipe.txt") + "' &").c_str()), 0);
  ASSERT_EQ(analyze("facts --all --csv pipe"), 0) << said;
  EXPECT_TRUE(std::filesystem::is_fifo(dir.path() / "pipe"));
  for (int wait = 0; wait < 100 && dir.read("from-pipe.txt").empty(); ++wait) ::usleep(20000);
  EXPECT_EQ(dir.read("from-pipe.txt").substr(0, 22), "series,path,n,mean,std");
  // A full device fails where it is, and stays a device.
  EXPECT_EQ(analyze("report --csv /dev/full"), 1);
  EXPECT_NE(said.find("/dev/full"), std::string::npos) << said;
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
  // "-" is standard output.
  const std::string command = std::string(VELQUIN_CLI) + " analyze -C '" + dir.path().string() +
                              "' --result res report --csv - > '" + dir.file("stdout.txt") + "' 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(dir.read("stdout.txt").substr(0, 11), "path,me_sim");
  EXPECT_FALSE(dir.exists("-"));
}

// A directory in which a run of weeks 60 on left three paths over a run of
// weeks 53 on: the old path files have as many lines, but other weeks.
TEST_F(AnalyzeCommand, PathFilesOfAnotherRunAreRefused) {
  const std::vector<double> sim{4.5, 4.5, 4.7, 4.7}, act{4.5, 4.5, 4.5, 4.6};
  write("r0000.csv", rateFile(60, sim, act));
  write("r0002.csv", rateFile(60, sim, act));
  write("r0003.csv", rateFile(53, sim, act));
  const std::string expected =
      "Week 54 where the reference path file has week 61 (res/r0003.csv, line 2): the file is "
      "left from another run or damaged";
  EXPECT_EQ(analyze("paths --all"), 1);
  EXPECT_NE(said.find(expected), std::string::npos) << said;
  EXPECT_EQ(analyze("contour --all"), 1);
  EXPECT_NE(said.find(expected), std::string::npos) << said;
  EXPECT_EQ(analyze("contour --paths 0,2"), 0);
  EXPECT_NE(said.find("over 2 paths"), std::string::npos) << said;
}

TEST_F(AnalyzeCommand, ARunThatDidNotFinishIsToldAndItsCutPathRefused) {
  write("run.lock", "mode all, process 4711, started 2026-12-08 01:40:12 UTC\npath 2\n");
  const std::string note =
      "The last run in 'res' did not finish (mode all, process 4711, started 2026-12-08 01:40:12 "
      "UTC): path 2 was cut short, and the files of later paths may be left from an earlier run.";
  EXPECT_EQ(analyze("paths --paths 0"), 0);
  EXPECT_NE(said.find("velquin-cli: warning: " + note), std::string::npos) << said;
  EXPECT_EQ(analyze("paths --all"), 1);
  EXPECT_NE(said.find("Path 2 cannot be summarised (item 2 of the path list). " + note), std::string::npos) << said;
  // The windows' selection file is checked the same way.
  dir.write("res/statname.txt", "1\n0002\n");
  PathSummarySeries series;
  try {
    summarisePaths(dir.file("res"), series);
    ADD_FAILURE() << "summarised a cut path";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("statname.txt, line 2). The last run in"), std::string::npos) << e.what();
  }
}

// The record of the last run's paths against the files in the directory:
// r0002.csv is an earlier run's, with one week more.
TEST_F(AnalyzeCommand, EveryPathMeansEveryPathTheLastRunWrote) {
  const std::vector<double> act{4.5, 4.5, 4.5, 4.6, 4.6};
  write("r0001.csv", rateFile(1, {4.5, 4.5, 4.4, 4.8}, act));
  write("r0002.csv", rateFile(1, {4.5, 4.5, 4.4, 4.8, 4.9}, act));
  write("run.lock", "paths 0-1\n");
  const std::string leftOut =
      "velquin-cli: warning: 1 file (r0002.csv) is left out: the last run in 'res' wrote paths 0-1, and this is left "
      "from an earlier run.\n";
  for (const char* summary : {"paths --all", "contour --all", "facts --all"}) {
    ASSERT_EQ(analyze(summary), 0) << summary << ": " << said;
    EXPECT_EQ(said.substr(0, leftOut.size()), leftOut) << summary;
    EXPECT_EQ(read("statname.txt"), "2\n0000\n0001\n") << summary;
  }
  EXPECT_EQ(analyze("paths --paths 2"), 1);
  EXPECT_NE(said.find("Path 2 cannot be summarised (item 1 of the path list): the last run in 'res' wrote paths 0-1, "
                      "so its file is left from an earlier run"),
            std::string::npos)
      << said;
  // The windows' selection file is checked the same way.
  dir.write("res/statname.txt", "1\n0002\n");
  PathSummarySeries series;
  EXPECT_THROW(summarisePaths(dir.file("res"), series), RunError);

  // Without a record every file is taken, as before, and the weeks refuse it.
  std::filesystem::remove(dir.path() / "res/run.lock");
  for (const char* summary : {"paths --all", "contour --all", "facts --all"}) {
    EXPECT_EQ(analyze(summary), 1) << summary;
    EXPECT_NE(said.find("velquin-cli: warning: 'res' holds no record of the paths its last run wrote"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("Week '5' after week 4, the reference path file's last (res/r0002.csv, line 5): the file is "
                        "left from another run"),
              std::string::npos)
        << said;
  }
  // A blank line at the end is no week.
  write("r0002.csv", rateFile(1, {4.5, 4.5, 4.4, 4.8}, act) + "\n");
  EXPECT_EQ(analyze("paths --all"), 0) << said;

  // The last run completed no path: even r0000.csv is an earlier run's.
  write("run.lock", "paths none\n");
  EXPECT_EQ(analyze("paths --all"), 1);
  EXPECT_NE(said.find("The last run in 'res' completed no path"), std::string::npos) << said;
}

TEST_F(AnalyzeCommand, ADirectoryARunIsWritingIsRefused) {
  testing::LockingProcess run(dir.file("res"), ResultLock::Use::Run);
  ASSERT_TRUE(run.locked());
  EXPECT_EQ(analyze("paths --paths 0"), 1);
  EXPECT_NE(said.find("velquin-cli: error: The result directory 'res' is in use: a run is writing it (process " +
                      std::to_string(run.pid())),
            std::string::npos)
      << said;
  EXPECT_FALSE(dir.exists("res/statname.txt"));
  EXPECT_FALSE(dir.exists("res/stat.txt"));
  run.end();
  EXPECT_EQ(analyze("paths --paths 0"), 0);
}

// The report holds the run's lock shared, as the summaries do: a run
// writing it keeps the report out, and one that was killed is told.
TEST_F(AnalyzeCommand, TheReportWaitsForTheRunAndTellsOfOneKilled) {
  write("eval.txt", readWholeFile(std::string(VELQUIN_TEST_DATA) + "/golden/all/eval.txt"));
  testing::LockingProcess run(dir.file("res"), ResultLock::Use::Run);
  ASSERT_TRUE(run.locked());
  for (const char* report : {"report", "report --csv table.csv"}) {
    EXPECT_EQ(analyze(report), 1) << report;
    EXPECT_NE(said.find("velquin-cli: error: The result directory 'res' is in use: a run is writing it (process " +
                        std::to_string(run.pid())),
              std::string::npos)
        << said;
    EXPECT_FALSE(dir.exists("table.csv"));
  }
  run.kill();
  ASSERT_EQ(analyze("report --csv table.csv"), 0) << said;
  EXPECT_NE(said.find("velquin-cli: warning: The last run in 'res' did not finish (mode all, process "),
            std::string::npos)
      << said;
  EXPECT_NE(said.find("path 3 was cut short, and the files of later paths may be left from an earlier run. The "
                      "report holds the paths it completed.\n"),
            std::string::npos)
      << said;
  EXPECT_EQ(dir.read("table.csv").substr(0, 12), "path,me_sim,");
}

TEST_F(AnalyzeCommand, TheCommandLineSummarisesItsOwnSelection) {
  // Another command's statname.txt, written between this one's writing and
  // reading, must not change what it summarises.
  dir.write("res/statname.txt", "1\n0000\n");
  PathSummarySeries series;
  ListedPaths listed(dir.file("res"), {2});
  summarisePaths(dir.file("res"), listed, series);
  EXPECT_EQ(read("stat.txt").substr(0, 31), "# Number of path 1\n# Paths \"2\",");

  // Two commands at once, again and again: each reports its own paths and
  // stat.txt is whole, the one or the other.
  ASSERT_EQ(analyze("paths --paths 0"), 0);
  const std::string one = read("stat.txt");
  ASSERT_EQ(analyze("paths --paths 2,0"), 0);
  const std::string two = read("stat.txt");
  const std::string cli = std::string(VELQUIN_CLI) + " analyze -C '" + dir.path().string() + "' --result res paths ";
  for (int round = 0; round < 10; ++round) {
    const std::string both = "(" + cli + "--paths 0 2>'" + dir.file("a.txt") + "' & " + cli + "--paths 2,0 2>'" +
                             dir.file("b.txt") + "'; wait)";
    ASSERT_EQ(std::system(both.c_str()), 0);
    EXPECT_NE(dir.read("a.txt").find("over 1 path."), std::string::npos);
    EXPECT_NE(dir.read("b.txt").find("over 2 paths."), std::string::npos);
    const std::string text = read("stat.txt");
    EXPECT_TRUE(text == one || text == two) << text;
  }
}

}  // namespace
}  // namespace vk

// The analyze subcommand end to end: the program run on small result
// directories, its exit status and the files it leaves.
#include <sys/wait.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "analysis/PathList.h"
#include "io/RunError.h"
#include "tests/analysis/ResultFiles.h"

namespace vk {
namespace {

using testing::rateFile;
using testing::TempDir;
using testing::weightLine;

TEST(PathList, ReadsNumbersAndRangesInOrder) {
  EXPECT_EQ(parsePathList("0,3,5-9"), (std::vector<int>{0, 3, 5, 6, 7, 8, 9}));
  EXPECT_EQ(parsePathList(" 12 , 2 - 3,0007"), (std::vector<int>{12, 2, 3, 7}));
  EXPECT_EQ(entriesOfPaths({3, 12}, kWeightPrefix)[1].name, "w0012.csv");
}

TEST(PathList, RefusesWhatIsNotAList) {
  for (const char* bad : {"", "a", "1,,2", "3-1", "-1", "1-", "+1", "1.5", "0-2000000", "99999999999"}) {
    try {
      parsePathList(bad);
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const RunError& e) {
      EXPECT_NE(std::string(e.what()).find("in the path list"), std::string::npos) << e.what();
    }
  }
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

  // Exit status of velquin-cli analyze with the arguments, run in the temp dir.
  int analyze(const std::string& arguments) {
    const std::string command = std::string(VELQUIN_CLI) + " analyze -C '" + dir.path().string() + "' --result res " +
                                arguments + " 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

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

TEST_F(AnalyzeCommand, AllSortsTheMatchingNamesWhateverTheirCase) {
  // R0001.CSV is selected as 0001, but the summary reads r0001.csv, which is not there.
  EXPECT_EQ(analyze("contour --all"), 1);
  EXPECT_EQ(read("statname.txt"), "3\n0001\n0000\n0002\n");
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
  for (const char* row : {"\nactual,,2,", "\nsim,2,2,", "\nsim,0,2,", "\nsim_median,,2,", "\nsim_p10,,2,", "\nsim_p90,,2,"})
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
  EXPECT_EQ(read("stat.txt"), "# Number of path 2\n# Paths \"0\",\"7\",");
}

}  // namespace
}  // namespace vk

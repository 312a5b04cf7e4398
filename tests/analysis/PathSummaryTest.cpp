#include "analysis/PathSummary.h"

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include "analysis/ResultDirectory.h"
#include "io/RunError.h"
#include "tests/analysis/ResultFiles.h"

namespace vk {
namespace {

using testing::rateFile;
using testing::TempDir;

std::vector<std::string> piecesOf(const std::string& text, char separator) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
    pieces.push_back(text.substr(start, end - start));
  if (separator != '\n') pieces.push_back(text.substr(start));
  return pieces;
}

std::vector<std::string> linesOf(const std::string& text) { return piecesOf(text, '\n'); }

bool samePoints(const PointList& a, const PointList& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const ChartPoint& p, const ChartPoint& q) { return p.x == q.x && p.y == q.y; });
}

// Weeks 100 to 108; history and simulation part after week 102, so the
// start week is 102. Week 105 agrees again by chance.
class PathSummary : public ::testing::Test {
 protected:
  PathSummary() {
    dir.write("r0000.csv", rateFile(100, {4.5, 4.5, 4.5, 4.7, 4.7, 4.52, 4.7, 4.7, 4.7},
                                    {4.5, 4.5, 4.5, 4.51, 4.53, 4.52, 4.605, 4.6, 4.61}));
  }

  void writePath(int k, double week106Value, double fill = 4.55) {
    std::vector<double> sim(9, fill), act(9, 4.605);
    sim[6] = week106Value;
    dir.write(pathFileName(kRatePrefix, k), rateFile(100, sim, act, 0.25));
  }

  void select(const std::vector<int>& paths) {
    std::vector<ResultFileEntry> entries;
    for (int k : paths) entries.push_back({pathFileName(kRatePrefix, k), true});
    writeSelectionFile(dir.path().string(), entries, kRatePrefix);
  }

  std::string summarise() {
    try {
      summarisePaths(dir.path().string(), series);
    } catch (const RunError& e) {
      return e.what();
    }
    return "";
  }

  std::vector<std::string> stat() { return linesOf(dir.read("stat.txt")); }

  TempDir dir;
  PathSummarySeries series;
};

TEST_F(PathSummary, WritesTheWeek106ExampleLine) {
  writePath(1, 4.60);
  writePath(2, 4.62);
  select({1, 2});
  ASSERT_EQ(summarise(), "");
  const std::vector<std::string> lines = stat();
  ASSERT_EQ(lines.size(), 4u + 7u);  // weeks 102 to 108
  EXPECT_EQ(lines[0], "# Number of path 2");
  EXPECT_EQ(lines[1], "# Paths \"1\",\"2\",");
  EXPECT_EQ(lines[2], "#\t\tLog\t\t\t\t\tNatural");
  EXPECT_EQ(lines[3], "# week\tvolume\tmean\treal\tstd\terror\t\tmean\treal\tstd\terror");
  EXPECT_EQ(lines[8],
            "106\t  0.250\t  4.610\t  4.605\t  0.010\t  0.005\t\t 100.489\t  99.983\t  1.005\t   0.506"
            "\t 100.484\t   1.010\t   0.501\t   4.600\t   4.620\t  99.484\t 101.494");
  ASSERT_EQ(series.mean.size(), 7u);
  EXPECT_EQ(series.mean[4].x, 106);
  EXPECT_NEAR(series.mean[4].y, 4.61, 1e-12);
  EXPECT_NEAR(series.plusSd[4].y, 4.62, 1e-9);
  EXPECT_NEAR(series.minusSd[4].y, 4.60, 1e-9);
}

TEST_F(PathSummary, SecondExampleAndTheStartWeekWithoutSpread) {
  std::vector<double> a(9, 4.0), b(9, 4.2), act(9, 4.1);
  dir.write("r0001.csv", rateFile(100, a, act));
  dir.write("r0002.csv", rateFile(100, b, act));
  select({1, 2});
  ASSERT_EQ(summarise(), "");
  const std::vector<std::string> lines = stat();
  // Week 102, the start week: s and S are 0 although the paths differ.
  EXPECT_EQ(lines[4].substr(0, 4 + 4 * 8 - 1), "102\t  0.000\t  4.100\t  4.100\t  0.000");
  EXPECT_EQ(lines[4].substr(lines[4].find("\t\t") + 2, 8 + 1 + 8 + 1 + 7), "  60.642\t  60.340\t  0.000");
  // Week 103: m = 4.1, s = 0.1, M = 60.642, S = 6.044.
  EXPECT_EQ(lines[5].substr(0, 4 + 4 * 8 - 1), "103\t  0.000\t  4.100\t  4.100\t  0.100");
  EXPECT_EQ(lines[5].substr(lines[5].find("\t\t") + 2, 8 + 1 + 8 + 1 + 7), "  60.642\t  60.340\t  6.044");
  EXPECT_NEAR(series.plusSd[1].y, 4.2, 1e-9);
  EXPECT_NEAR(series.minusSd[1].y, 4.0, 1e-9);
  EXPECT_EQ(series.plusSd[0].y, series.mean[0].y);
}

TEST_F(PathSummary, OnePathHasNoSpread) {
  std::vector<double> sim{4.5, 4.5, 4.5, 4.6123, 4.70001, 4.5999, 4.61, 4.62, 4.63}, act(9, 4.605);
  dir.write("r0003.csv", rateFile(100, sim, act));
  select({3});
  ASSERT_EQ(summarise(), "");
  for (std::size_t i = 0; i < series.mean.size(); ++i) {
    EXPECT_EQ(series.plusSd[i].y, series.mean[i].y) << "week " << series.mean[i].x;
    EXPECT_EQ(series.minusSd[i].y, series.mean[i].y);
  }
  for (std::size_t i = 4; i < stat().size(); ++i) {
    const std::vector<std::string> fields = piecesOf(stat()[i], '\t');
    ASSERT_EQ(fields.size(), 18u);
    EXPECT_EQ(fields[4], "  0.000");  // s
    EXPECT_EQ(fields[9], "  0.000");  // S
  }
}

TEST_F(PathSummary, ActualSeriesStartsAtTheLastAgreeingWeekAndSkipsAgreeingLines) {
  select({});
  ASSERT_EQ(summarise(), "");
  const std::vector<std::pair<double, double>> expected{{102, 4.5},   {103, 4.51}, {104, 4.53},
                                                        {106, 4.605}, {107, 4.6},  {108, 4.61}};
  ASSERT_EQ(series.actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(series.actual[i].x, expected[i].first);
    EXPECT_DOUBLE_EQ(series.actual[i].y, expected[i].second);
  }
}

TEST_F(PathSummary, NothingSelectedGivesZeroMeansAndTheReferenceActualRate) {
  select({});
  ASSERT_EQ(summarise(), "");
  const std::vector<std::string> lines = stat();
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[0], "# Number of path 0");
  EXPECT_EQ(lines[1], "# Paths ");
  EXPECT_EQ(lines[5],
            "103\t  0.000\t  0.000\t  4.510\t  0.000\t -4.510\t\t   0.000\t  90.922\t  0.000\t -90.922"
            "\t   1.000\t   1.000\t -89.922\t   0.000\t   0.000\t   1.000\t   1.000");
  for (const ChartPoint& p : series.mean) EXPECT_EQ(p.y, 0.0);
}

// Another run drawn for comparison: the summary of every path its last run
// wrote, with nothing written into its directory.
TEST_F(PathSummary, AComparedRunIsSummarisedOverItsPathsWithoutAFile) {
  writePath(1, 4.6);
  writePath(2, 4.8, 4.56);
  dir.write("r7.csv", "not a path file\n");  // no path's exact name
  const PathSummarySeries compared = comparedRunSeries(dir.path().string());
  EXPECT_FALSE(dir.exists("stat.txt"));
  EXPECT_FALSE(dir.exists("statname.txt"));
  select({0, 1, 2});
  ASSERT_EQ(summarise(), "");
  EXPECT_TRUE(samePoints(compared.mean, series.mean));
  EXPECT_TRUE(samePoints(compared.plusSd, series.plusSd));
  EXPECT_TRUE(samePoints(compared.minusSd, series.minusSd));
  EXPECT_TRUE(samePoints(compared.actual, series.actual));
  EXPECT_THROW(comparedRunSeries(dir.file("nowhere")), RunError);
}

TEST_F(PathSummary, FailuresNameTheFileAndKeepThePreviousSummary) {
  writePath(1, 4.6);
  dir.write("stat.txt", "the previous summary\n");
  select({1, 2});
  EXPECT_EQ(summarise(), "Cannot open file for reading '" + dir.file("r0002.csv") + "': No such file or directory");
  EXPECT_EQ(dir.read("stat.txt"), "the previous summary\n");
  EXPECT_EQ(series.actual.size(), 6u);  // drawn before the paths were read
  EXPECT_TRUE(series.mean.empty());

  dir.write("r0002.csv", rateFile(100, {4.5, 4.5, 4.5, 4.6, 4.6}, {4.5, 4.5, 4.5, 4.5, 4.5}));
  EXPECT_EQ(summarise(), "Unexpected end of file: '" + dir.file("r0002.csv") + "' has no line 6");

  dir.write("r0002.csv", testing::rateLine(100, 4.5, 4.5) + testing::rateLine(101, 4.5, 4.5) +
                             testing::rateLine(102, 4.5, 4.5) + "\"103\",\"4.6\",\"4.5\",\"0\",\"0\"\n");
  EXPECT_EQ(summarise(), "Field 5 is missing: the line holds 5 fields (" + dir.file("r0002.csv") + ", line 4)");

  dir.write("r0002.csv", testing::rateLine(100, 4.5, 4.5) + testing::rateLine(101, 4.5, 4.5) +
                             testing::rateLine(102, 4.5, 4.5) + "\"103\",\"4,6\",\"4.5\",\"0\",\"0\",\"1\"\n");
  EXPECT_EQ(summarise(), "'4,6' is not a valid floating point value (" + dir.file("r0002.csv") + ", line 4)");
}

}  // namespace
}  // namespace vk

#include "analysis/ContourSummary.h"

#include <gtest/gtest.h>

#include "analysis/ResultDirectory.h"
#include "io/RunError.h"
#include "tests/analysis/ResultFiles.h"

namespace vk {
namespace {

using testing::rateFile;
using testing::TempDir;

// Weeks 1 to 4; simulation parts from history after week 2, so the start
// week is 2 and weeks 3 and 4 are written. The actual values of the
// simulated weeks run from 4.4 to 4.8.
class ContourSummary : public ::testing::Test {
 protected:
  ContourSummary() { dir.write("r0000.csv", rateFile(1, {4.5, 4.5, 4.9, 4.9}, {4.5, 4.5, 4.4, 4.8})); }

  // Path k simulates the values of weeks 2, 3 and 4.
  void writePath(int k, double week2, double week3, double week4) {
    dir.write(pathFileName(kRatePrefix, k), rateFile(1, {4.5, week2, week3, week4}, {4.5, 4.5, 4.4, 4.8}));
  }

  void select(int count) {
    std::vector<ResultFileEntry> entries;
    for (int k = 1; k <= count; ++k) entries.push_back({pathFileName(kRatePrefix, k), true});
    writeSelectionFile(dir.path().string(), entries, kRatePrefix);
  }

  std::string summarise(const ContourSettings& settings) {
    try {
      summariseContour(dir.path().string(), settings, series);
    } catch (const RunError& e) {
      return e.what();
    }
    return "";
  }

  static ContourSettings typed(double minY, double maxY, int grids, int maxZ = 30) {
    ContourSettings s;
    s.autoMinY = s.autoMaxY = false;
    s.minY = minY;
    s.maxY = maxY;
    s.grids = grids;
    s.maxZ = maxZ;
    return s;
  }

  int countOf(int week, int bin) const {
    for (const GridCount& p : series.grid)
      if (p.week == week && p.bin == bin) return p.count;
    ADD_FAILURE() << "no point for week " << week << " bin " << bin;
    return -1;
  }

  TempDir dir;
  ContourSeries series;
};

TEST_F(ContourSummary, TypedBoundsPlaceValuesInTheirBins) {
  const double values[] = {3.9, 4.0, 4.23, 5.0, 5.2};
  for (int k = 1; k <= 5; ++k) writePath(k, 4.5, values[k - 1], 4.45);
  select(5);
  ASSERT_EQ(summarise(typed(4.0, 5.0, 10)), "");
  EXPECT_DOUBLE_EQ(series.binWidth, 0.1);
  EXPECT_EQ(countOf(3, 0), 2);
  EXPECT_EQ(countOf(3, 2), 1);
  EXPECT_EQ(countOf(3, 9), 2);
  EXPECT_EQ(countOf(4, 4), 5);
  // 3.9 and 5.2 lie beyond the bounds, counted in the edge bins; the bounds
  // themselves lie inside.
  EXPECT_EQ(series.below, 1);
  EXPECT_EQ(series.above, 1);
  EXPECT_EQ(series.values, 5 * 3);
  const std::string freq = dir.read("freq.txt");
  EXPECT_EQ(freq.substr(0, freq.find("\"3\",\"  4.1500")),
            "# Number of path 5\n# Paths \"1\",\"2\",\"3\",\"4\",\"5\",\n\"3\",\"  4.0500\",\"2\",\"\n");
  EXPECT_NE(freq.find("\"4\",\"  4.9500\",\"0\",\"\n\n"), std::string::npos);
}

TEST_F(ContourSummary, DataLineOfTwentyThreeCharacters) {
  dir.write("r0000.csv", rateFile(99, {4.5, 4.5, 4.6}, {4.5, 4.5, 4.5}));
  for (int k = 1; k <= 12; ++k)
    dir.write(pathFileName(kRatePrefix, k), rateFile(99, {4.5, 4.5, 4.31}, {4.5, 4.5, 4.5}));
  select(12);
  // Bin 0 of 0.05 from 4.3 has the centre 4.325.
  ASSERT_EQ(summarise(typed(4.3, 4.6, 6)), "");
  const std::string line = "\"101\",\"  4.3250\",\"12\",\"";
  EXPECT_EQ(line.size(), 23u);
  const std::string freq = dir.read("freq.txt");
  EXPECT_EQ(freq.substr(freq.find('\n', freq.find("# Paths")) + 1, 24), line + "\n");
}

TEST_F(ContourSummary, AutomaticBoundsWidenTheActualRangeByAQuarter) {
  select(0);
  ContourSettings settings;
  ASSERT_EQ(summarise(settings), "");
  EXPECT_NEAR(series.minY, 4.3, 1e-12);
  EXPECT_NEAR(series.maxY, 4.9, 1e-12);
  EXPECT_NEAR(series.binWidth, 0.04, 1e-12);

  settings.autoMaxY = false;
  settings.maxY = 6.0;
  ASSERT_EQ(summarise(settings), "");
  EXPECT_NEAR(series.minY, 4.3, 1e-12);  // the widening stays on the automatic side
  EXPECT_EQ(series.maxY, 6.0);
}

// Simulated values beyond the actual range widen the automatic bounds, so
// that none of them is pressed into an edge bin.
TEST_F(ContourSummary, AutomaticBoundsTakeInTheSimulatedValues) {
  writePath(1, 4.5, 3.9, 4.6);
  writePath(2, 4.5, 4.6, 5.3);
  select(2);
  ContourSettings settings;
  ASSERT_EQ(summarise(settings), "");
  EXPECT_NEAR(series.minY, 3.9 - 0.35, 1e-12);
  EXPECT_NEAR(series.maxY, 5.3 + 0.35, 1e-12);
  EXPECT_EQ(series.below + series.above, 0);
  EXPECT_EQ(countOf(3, 0), 0);
  EXPECT_EQ(countOf(3, 2), 1);  // 3.9 in the bin 3.83..3.97
  // The actual path is placed on the same bins.
  ASSERT_EQ(series.actualPath.size(), 6u);
  EXPECT_NEAR(series.actualPath[1].y, (4.4 - series.minY - series.binWidth / 2) / series.binWidth, 1e-9);

  // One bound typed: the other still takes in every value.
  settings.autoMinY = false;
  settings.minY = 4.0;
  ASSERT_EQ(summarise(settings), "");
  EXPECT_EQ(series.minY, 4.0);
  EXPECT_NEAR(series.maxY, 5.3 + (5.3 - 3.9) / 4, 1e-12);
  EXPECT_EQ(series.below, 1);
  EXPECT_EQ(series.above, 0);
}

TEST_F(ContourSummary, CountsAreCappedAndTheStartWeekIsCountedButNotWritten) {
  for (int k = 1; k <= 40; ++k) writePath(k, 4.5, 4.61, 4.61);
  select(40);
  ASSERT_EQ(summarise(typed(4.0, 5.0, 10, 30)), "");
  EXPECT_EQ(countOf(3, 6), 30);
  EXPECT_EQ(countOf(4, 6), 30);
  for (const GridCount& p : series.grid) EXPECT_NE(p.week, 2);
  EXPECT_EQ(series.grid.size(), 2u * 10u);
  // The actual path holds the start week, once per path.
  ASSERT_EQ(series.actualPath.size(), 40u * 3u);
  EXPECT_EQ(series.actualPath[0].x, 2);
  EXPECT_NEAR(series.actualPath[0].y, 4.5, 1e-9);  // 4.5 lies halfway between the centres of bins 4 and 5
  EXPECT_NEAR(series.actualPath[1].y, 3.5, 1e-9);
}

TEST_F(ContourSummary, NothingSelectedWritesZeroCounts) {
  select(0);
  ASSERT_EQ(summarise(typed(4.0, 5.0, 2)), "");
  EXPECT_EQ(dir.read("freq.txt"),
            "# Number of path 0\n# Paths \n"
            "\"3\",\"  4.2500\",\"0\",\"\n\"3\",\"  4.7500\",\"0\",\"\n\n"
            "\"4\",\"  4.2500\",\"0\",\"\n\"4\",\"  4.7500\",\"0\",\"\n\n");
  EXPECT_TRUE(series.actualPath.empty());
}

TEST_F(ContourSummary, ReversedBoundsPutEveryValueInAnEndBin) {
  writePath(1, 4.5, 4.1, 4.9);
  writePath(2, 4.5, 5.5, 3.0);
  select(2);
  ASSERT_EQ(summarise(typed(5.0, 4.0, 4)), "");
  EXPECT_EQ(countOf(3, 0), 1);
  EXPECT_EQ(countOf(3, 3), 1);
  EXPECT_EQ(countOf(4, 0), 2);
}

TEST_F(ContourSummary, ImpossibleGridsAreRefusedBeforeTheFileIsWritten) {
  select(0);
  // The division's message, then the field, its value and what it may be.
  EXPECT_EQ(summarise(typed(4.0, 5.0, 0)),
            "Floating point division by zero: \"# of Y grids\" is 0; it must lie between 1 and 10000.");
  EXPECT_EQ(summarise(typed(4.5, 4.5, 10)),
            "Floating point division by zero: MinY and MaxY are both 4.5; they must differ.");
  EXPECT_FALSE(dir.exists("freq.txt"));
  EXPECT_EQ(summarise(typed(4.0, 5.0, -3)), "\"# of Y grids\" is -3; it must lie between 1 and 10000.");
  EXPECT_EQ(summarise(typed(4.0, 5.0, 10001)), "\"# of Y grids\" is 10001; it must lie between 1 and 10000.");
  EXPECT_FALSE(dir.exists("freq.txt"));
  // More bins than a fixed table of 101 would hold are sized from the input.
  EXPECT_EQ(summarise(typed(4.0, 5.0, 500)), "");
  EXPECT_EQ(series.grid.size(), 2u * 500u);
}

TEST_F(ContourSummary, ShortPathFileStopsAtTheMissingLine) {
  writePath(1, 4.5, 4.5, 4.5);
  dir.write("r0002.csv", rateFile(1, {4.5, 4.5, 4.6}, {4.5, 4.5, 4.5}));
  select(2);
  EXPECT_EQ(summarise(typed(4.0, 5.0, 10)), "Unexpected end of file: '" + dir.file("r0002.csv") + "' has no line 4");
  EXPECT_FALSE(dir.exists("freq.txt"));
  EXPECT_EQ(series.actualPath.size(), 3u + 2u);
}

}  // namespace
}  // namespace vk

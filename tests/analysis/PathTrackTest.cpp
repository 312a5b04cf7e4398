// The path viewer's files read without a window: the rate track, the weights
// rows and the supply-and-demand blocks of one stored path.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "analysis/PathTrack.h"
#include "io/RunError.h"
#include "tests/analysis/ResultFiles.h"

namespace vk {
namespace {

using testing::rateLine;
using testing::TempDir;
using testing::weightLine;

// Weeks first..last, equal rates up to `common`, then the simulated rate 0.5 above.
std::string rates(int first, int common, int last) {
  std::string text;
  for (int w = first; w <= last; ++w) {
    const double actual = 4 + w / 100.0;
    text += rateLine(w, w <= common ? actual : actual + 0.5, actual);
  }
  return text;
}

// One block per week from first to last, 2*ndiv+1 pairs: supply w + i, demand i.
std::string schedule(int first, int last, int ndiv) {
  std::string text;
  for (int w = first; w <= last; ++w) {
    text += std::to_string(w) + "\n";
    for (int i = 0; i <= 2 * ndiv; ++i) text += "\"" + std::to_string(w + i) + "\",\"" + std::to_string(i) + "\"\n";
  }
  return text;
}

std::string errorOf(const std::function<void()>& read) {
  try {
    read();
  } catch (const RunError& e) {
    return e.what();
  }
  return "";
}

class PathTrack : public ::testing::Test {
 protected:
  std::string dir() const { return temp.path().string(); }
  TempDir temp;
};

TEST_F(PathTrack, TheTrackStartsAtTheLastWeekBothRatesAgreed) {
  temp.write("r0000.csv", rates(1, 52, 100));
  RateTrack track;
  ASSERT_TRUE(readRateTrack(dir(), 0, track));
  ASSERT_EQ(track.records.size(), 49u);
  EXPECT_EQ(track.start, 52);
  EXPECT_EQ(track.end, 100);
  EXPECT_EQ(track.records.front().week, 52);
  EXPECT_EQ(track.records.front().actual, 4.52);
  EXPECT_EQ(track.records.front().simulated, 4.52);
  EXPECT_EQ(track.records.back().week, 100);
  EXPECT_EQ(track.records.back().simulated, 5.5);

  // Rates that differ from the first line on: the first actual rate stands in.
  temp.write("r0001.csv", rateLine(10, 4.6, 4.5) + rateLine(11, 4.7, 4.55));
  ASSERT_TRUE(readRateTrack(dir(), 1, track));
  ASSERT_EQ(track.records.size(), 3u);
  EXPECT_EQ(track.start, 9);
  EXPECT_EQ(track.records[0].simulated, 4.5);

  // Rates that never differ give no frames; the start of the last track stays.
  temp.write("r0002.csv", rates(1, 30, 30));
  ASSERT_TRUE(readRateTrack(dir(), 2, track));
  EXPECT_TRUE(track.records.empty());
  EXPECT_EQ(track.start, 9);
  EXPECT_EQ(track.end, 30);
}

TEST_F(PathTrack, PathNumbersNameTheirFilesAndMissingFilesChangeNothing) {
  temp.write("r0003.csv", rates(10, 61, 109));
  temp.write("r12345.csv", rates(10, 99, 109));
  RateTrack track;
  ASSERT_TRUE(readRateTrack(dir(), 3, track));
  EXPECT_EQ(track.records.size(), 49u);
  ASSERT_TRUE(readRateTrack(dir(), 12345, track));
  EXPECT_EQ(track.records.size(), 11u);
  EXPECT_FALSE(readRateTrack(dir(), 7, track));
  EXPECT_EQ(track.records.size(), 11u);
  WeightRows weights;
  weights.weightCount = 4;
  EXPECT_FALSE(readWeightRows(dir(), 3, weights));
  EXPECT_EQ(weights.weightCount, 4);
  Schedule blocks;
  EXPECT_FALSE(readSchedule(dir(), 3, blocks));
  EXPECT_EQ(blocks.blocks.size(), 1u);
}

TEST_F(PathTrack, WeightRowsHoldTheMeansByWeek) {
  temp.write("w0000.csv", weightLine(61, {0.1, -0.2, 0.3}) + weightLine(62, {1.5, 2.5, -3.0}));
  WeightRows weights;
  ASSERT_TRUE(readWeightRows(dir(), 0, weights));
  EXPECT_EQ(weights.weightCount, 3);
  ASSERT_EQ(weights.rows.size(), 2u);
  EXPECT_EQ(weights.rows[1].means, (std::vector<double>{1.5, 2.5, -3.0}));
  EXPECT_EQ(weights.rowOfWeek.at(62), 1);
  // A shorter file of another path leaves no row of this one behind.
  temp.write("w0001.csv", weightLine(70, {0.5}));
  ASSERT_TRUE(readWeightRows(dir(), 1, weights));
  EXPECT_EQ(weights.rows.size(), 1u);
  EXPECT_EQ(weights.rowOfWeek.count(62), 0u);
  EXPECT_EQ(weights.weightCount, 1);
  // A week that is no whole number is kept as a row but found by no week.
  temp.write("w0002.csv", "\"61.5\",\"0.1\",\"0.1\"\n");
  ASSERT_TRUE(readWeightRows(dir(), 2, weights));
  EXPECT_EQ(weights.rows.size(), 1u);
  EXPECT_TRUE(weights.rowOfWeek.empty());
}

TEST_F(PathTrack, ScheduleBlocksStartAtWeekLines) {
  temp.write("q0000.csv", schedule(62, 64, 2));
  Schedule blocks;
  ASSERT_TRUE(readSchedule(dir(), 0, blocks));
  ASSERT_EQ(blocks.blocks.size(), 4u);  // block 0 holds nothing before the first week
  EXPECT_TRUE(blocks.blocks[0].pairs.empty());
  EXPECT_EQ(blocks.blocks[1].week, 62);
  EXPECT_EQ(blocks.blocks[3].pairs.front(), std::make_pair(64.0, 0.0));
  EXPECT_EQ(blocks.pairCount, 5);
  temp.write("q0001.csv", schedule(62, 62, 1));
  ASSERT_TRUE(readSchedule(dir(), 1, blocks));
  EXPECT_EQ(blocks.blocks.size(), 2u);
  EXPECT_EQ(blocks.pairCount, 3);
}

TEST_F(PathTrack, AMalformedLineEndsTheReadingWithTheLinesBeforeItKept) {
  temp.write("r0002.csv", rates(10, 61, 70) + "\"71\",\"x4.5\",\"4.5\"\n" + rates(72, 61, 80));
  RateTrack track;
  const std::string message = errorOf([&] { readRateTrack(dir(), 2, track); });
  EXPECT_NE(message.find("'x4.5'"), std::string::npos) << message;
  EXPECT_NE(message.find("r0002.csv"), std::string::npos) << message;
  EXPECT_NE(message.find("line 62"), std::string::npos) << message;
  EXPECT_EQ(track.records.size(), 70u - 61 + 1);
  EXPECT_EQ(track.end, 70);

  temp.write("r0003.csv", rates(10, 20, 30) + "\"31\",\"4.5\"\n");  // no actual rate
  EXPECT_THROW(readRateTrack(dir(), 3, track), RunError);

  // An empty line is no pair; the pair count stays that of the last whole file.
  temp.write("q0000.csv", schedule(62, 62, 1));
  temp.write("q0004.csv", "31\n\"1\",\"2\"\n\n");
  Schedule blocks;
  ASSERT_TRUE(readSchedule(dir(), 0, blocks));
  EXPECT_NE(errorOf([&] { readSchedule(dir(), 4, blocks); }).find("line 3"), std::string::npos);
  EXPECT_EQ(blocks.blocks.size(), 2u);
  EXPECT_EQ(blocks.blocks[1].pairs.size(), 1u);
  EXPECT_EQ(blocks.pairCount, 3);
}

}  // namespace
}  // namespace vk

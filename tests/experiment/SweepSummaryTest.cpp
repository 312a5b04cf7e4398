// The summary behind sweep plot: which rows count, the quantiles, the ratio
// metrics and the grid over two parameters.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "experiment/SweepSummary.h"
#include "io/RunError.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

using testing::TempDir;

// Four runs of two popsize values; run 3 failed, one path has no rmse_sim.
std::string table() {
  std::string text =
      "run,seed,popsize,\"gap,1\",path,me_sim,me_rw,mae_sim,mae_rw,rmse_sim,rmse_rw,mean_sim,mean_actual,std_sim,"
      "std_actual,skew_sim,skew_actual,kurt_sim,kurt_actual,sr_sim,sr_actual,status,message\n";
  const auto row = [&text](const std::string& head, const std::string& rmseSim, const std::string& rmseRw,
                           const std::string& tail) {
    text += head + ",0,0,0,0," + rmseSim + "," + rmseRw + ",0,0,0,0,0,0,0,0,0,0," + tail + "\n";
  };
  for (int path = 0; path < 5; ++path)
    row("0,0,10,0.2," + std::to_string(path), std::to_string(path + 1), "2", "done,");
  row("1,1,10,0.4,0", "", "2", "done,");
  row("1,1,10,0.4,1", "10", "4", "done,");
  row("2,0,20,0.2,0", "7.5E+0000", "3", "done,");
  row("3,1,20,0.4,", "", "", "failed,\"the disk, alas\"");
  return text;
}

TEST(SweepSummary, MedianAndBandAcrossPathsAndSeedsOfEachValue) {
  TempDir dir;
  dir.write("results.csv", table());
  const SweepSummary s = summariseSweep(dir.file("results.csv"), "popsize", "", "rmse_sim");
  ASSERT_EQ(s.median.size(), 2u);
  // popsize 10: 1, 2, 3, 4, 5 and 10 (the empty value is left out).
  EXPECT_EQ(s.median[0].x, 10);
  EXPECT_DOUBLE_EQ(s.median[0].y, 3.5);
  EXPECT_DOUBLE_EQ(s.low[0].y, 1.5);
  EXPECT_DOUBLE_EQ(s.high[0].y, 7.5);
  // popsize 20: the failed run is left out.
  EXPECT_EQ(s.median[1].x, 20);
  EXPECT_DOUBLE_EQ(s.median[1].y, 7.5);
  EXPECT_DOUBLE_EQ(s.low[1].y, 7.5);

  const SweepSummary ratio = summariseSweep(dir.file("results.csv"), "popsize", "", "rmse_ratio");
  EXPECT_DOUBLE_EQ(ratio.median[1].y, 2.5);
  const SweepSummary grid = summariseSweep(dir.file("results.csv"), "popsize", "gap,1", "rmse_sim");
  ASSERT_EQ(grid.cells.size(), 3u);
  EXPECT_EQ(grid.cells[1].x, 10);
  EXPECT_EQ(grid.cells[1].y, 0.4);
  EXPECT_EQ(grid.cells[1].median, 10);
  EXPECT_TRUE(grid.median.empty());
}

TEST(SweepSummary, RefusesWhatItCannotDraw) {
  TempDir dir;
  dir.write("results.csv", table());
  EXPECT_THROW(summariseSweep(dir.file("results.csv"), "nope", "", "rmse_sim"), RunError);
  EXPECT_THROW(summariseSweep(dir.file("results.csv"), "popsize", "", "rmse"), RunError);
  EXPECT_THROW(summariseSweep(dir.file("results.csv"), "message", "", "rmse_sim"), RunError);
  dir.write("results.csv", table() + "4,0,30\n");
  EXPECT_THROW(summariseSweep(dir.file("results.csv"), "popsize", "", "rmse_sim"), RunError);
  std::string failedOnly = table().substr(0, table().find('\n') + 1);
  dir.write("results.csv", failedOnly);
  EXPECT_THROW(summariseSweep(dir.file("results.csv"), "popsize", "", "rmse_sim"), RunError);
}

}  // namespace
}  // namespace vk

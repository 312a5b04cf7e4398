// The summary behind sweep plot: which rows count, runs summarised before
// the spread is taken, the quantiles, the ratio metrics, the grid over two
// parameters, bins on sampled designs and the captions.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "experiment/ResultsTable.h"
#include "experiment/SweepSummary.h"
#include "io/RunError.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

using testing::TempDir;

SweepSummary summarise(const TempDir& dir, const std::string& x, const std::string& y, const std::string& metric,
                       SweepPool pool = SweepPool::Paths, bool binned = false) {
  SweepSettings settings;
  settings.xName = x;
  settings.yName = y;
  settings.metric = metric;
  settings.pool = pool;
  settings.binned = binned;
  return summariseSweep(dir.file("results.csv"), settings);
}

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

TEST(SweepSummary, PooledPathsGiveTheMedianAndBandOfEveryPath) {
  TempDir dir;
  dir.write("results.csv", table());
  const SweepSummary s = summarise(dir, "popsize", "", "rmse_sim");
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

  const SweepSummary ratio = summarise(dir, "popsize", "", "rmse_ratio");
  EXPECT_DOUBLE_EQ(ratio.median[1].y, 2.5);
  const SweepSummary grid = summarise(dir, "popsize", "gap,1", "rmse_sim");
  ASSERT_EQ(grid.cells.size(), 3u);
  EXPECT_EQ(grid.cells[1].x, 10);
  EXPECT_EQ(grid.cells[1].y, 0.4);
  EXPECT_EQ(grid.cells[1].median, 10);
  EXPECT_TRUE(grid.median.empty());
  EXPECT_EQ(s.caption,
            "Every path pooled (paths of a run are not independent): median and 10-90 % of 7 paths of 3 runs; 1 "
            "pending or failed run left out");
}

// By default each run counts once, by its median over its paths.
TEST(SweepSummary, RunsAreSummarisedBeforeTheSpreadIsTaken) {
  TempDir dir;
  dir.write("results.csv", table());
  const SweepSummary s = summarise(dir, "popsize", "", "rmse_sim", SweepPool::Runs);
  ASSERT_EQ(s.median.size(), 2u);
  // popsize 10: run 0's median 3 and run 1's 10.
  EXPECT_DOUBLE_EQ(s.median[0].y, 6.5);
  EXPECT_DOUBLE_EQ(s.low[0].y, 3.7);
  EXPECT_DOUBLE_EQ(s.high[0].y, 9.3);
  EXPECT_EQ(s.runsUsed, 3);
  EXPECT_EQ(s.runsLeftOut, 1);
  EXPECT_EQ(s.caption,
            "Each run is the median over its paths; median and 10-90 % across 3 runs; 1 pending or failed run left "
            "out");
  EXPECT_EQ(s.xMin, 10);
  EXPECT_EQ(s.xMax, 20);
}

// On a sampled design every run has its own x: they fall into equal bins
// drawn at their centres, inside the values the design took.
TEST(SweepSummary, SampledDesignsAreBinnedInsideTheirValues) {
  std::string text = "run,seed,pcross1,path,rmse_sim,rmse_rw,status,message\n";
  for (int run = 0; run < 40; ++run)
    text += std::to_string(run) + ",0," + std::to_string(0.2 + run * 0.01) + ",0," + std::to_string(run) + ",1,done,\n";
  text += "40,0,0.3,,,,pending,\n";
  TempDir dir;
  dir.write("results.csv", text);
  const SweepSummary s = summarise(dir, "pcross1", "", "rmse_sim", SweepPool::Runs, true);
  ASSERT_EQ(s.median.size(), 10u);
  EXPECT_NEAR(s.median.front().x, 0.2 + 0.39 / 20, 1e-12);
  EXPECT_NEAR(s.median.back().x, 0.59 - 0.39 / 20, 1e-12);
  EXPECT_DOUBLE_EQ(s.median.front().y, 1.5);  // runs 0 to 3
  EXPECT_NEAR(s.xMax, 0.59, 1e-12);
  EXPECT_EQ(s.caption,
            "Each run is the median over its paths; median and 10-90 % across 40 runs; 1 pending or failed run left "
            "out; pcross1 in 10 equal bins");
}

// While a sweep runs, its pending and failed runs already stand on the
// axes: they span every value the design took, whatever has finished.
TEST(SweepSummary, TheAxesSpanTheDesignBeforeItsRunsEnd) {
  TempDir dir;
  dir.write("results.csv", table() + "4,0,5,0.1,,,,,,,,,,,,,,,,,,pending,\n5,0,40,0.8,,,,,,,,,,,,,,,,,,failed,x\n");
  const SweepSummary one = summarise(dir, "popsize", "", "rmse_sim", SweepPool::Runs);
  EXPECT_EQ(one.xMin, 5);
  EXPECT_EQ(one.xMax, 40);
  EXPECT_EQ(one.median.size(), 2u);
  const SweepSummary two = summarise(dir, "popsize", "gap,1", "rmse_sim", SweepPool::Runs);
  EXPECT_EQ(two.yMin, 0.1);
  EXPECT_EQ(two.yMax, 0.8);
  // A sampled design's bins are cut from the design's values too: a bin's
  // centre stays put as runs end.
  const SweepSummary binned = summarise(dir, "popsize", "", "rmse_sim", SweepPool::Runs, true);
  ASSERT_EQ(binned.median.size(), 2u);
  EXPECT_DOUBLE_EQ(binned.median[0].x, 5 + 35.0 / 4 * 0.5);
  EXPECT_DOUBLE_EQ(binned.median[1].x, 5 + 35.0 / 4 * 1.5);
}

TEST(SweepSummary, RefusesWhatItCannotDraw) {
  TempDir dir;
  dir.write("results.csv", table());
  EXPECT_THROW(summarise(dir, "nope", "", "rmse_sim"), RunError);
  EXPECT_THROW(summarise(dir, "popsize", "", "rmse"), RunError);
  EXPECT_THROW(summarise(dir, "message", "", "rmse_sim"), RunError);
  dir.write("results.csv", table() + "4,0,30\n");
  EXPECT_THROW(summarise(dir, "popsize", "", "rmse_sim"), RunError);
  std::string failedOnly = table().substr(0, table().find('\n') + 1);
  dir.write("results.csv", failedOnly);
  EXPECT_THROW(summarise(dir, "popsize", "", "rmse_sim"), RunError);
}

// A window draws the table of a sweep under way from memory, and names it so.
TEST(SweepSummary, ATableInMemoryGivesWhatItsFileGives) {
  TempDir dir;
  dir.write("results.csv", table());
  SweepSettings settings;
  settings.xName = "popsize";
  settings.metric = "rmse_ratio";
  const SweepSummary fromFile = summariseSweep(dir.file("results.csv"), settings);
  ResultsTableReader reader("the runs so far", table());
  const SweepSummary inMemory = summariseSweep(reader, settings);
  EXPECT_EQ(inMemory.caption, fromFile.caption);
  ASSERT_EQ(inMemory.median.size(), fromFile.median.size());
  for (std::size_t i = 0; i < fromFile.median.size(); ++i) EXPECT_EQ(inMemory.median[i].y, fromFile.median[i].y);
  ResultsTableReader empty("the runs so far", table().substr(0, table().find('\n') + 1));
  try {
    summariseSweep(empty, settings);
    ADD_FAILURE() << "an empty table was summarised";
  } catch (const RunError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("the runs so far holds no finished run", 0), 0u) << e.what();
  }
}

}  // namespace
}  // namespace vk

// Runs grouped into cluster tasks: the work shared evenly among them, never
// more tasks than the cluster takes, every run once and in order.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "experiment/TaskChunks.h"

namespace vk {
namespace {

std::vector<int> idsOf(const std::vector<RunChunk>& chunks) {
  std::vector<int> ids;
  for (const RunChunk& chunk : chunks) ids.insert(ids.end(), chunk.ids.begin(), chunk.ids.end());
  return ids;
}

std::vector<int> firstIds(int n) {
  std::vector<int> ids(n);
  std::iota(ids.begin(), ids.end(), 0);
  return ids;
}

std::vector<std::size_t> sizesOf(const std::vector<RunChunk>& chunks) {
  std::vector<std::size_t> sizes;
  for (const RunChunk& chunk : chunks) sizes.push_back(chunk.ids.size());
  return sizes;
}

TEST(TaskChunks, EqualRunsAreSharedOutToWithinOneRun) {
  // A lean sweep of 20,000 runs holding 1.67 tasks' worth of work: two tasks
  // of 10,000, not a full task and a short one.
  const std::vector<int> lean = firstIds(20000);
  const std::vector<RunChunk> halves = chunkRuns(lean, std::vector<double>(lean.size(), 0.01), 200 / 1.67, 1000);
  EXPECT_EQ(sizesOf(halves), (std::vector<std::size_t>{10000, 10000}));
  EXPECT_NEAR(halves[0].seconds, 100, 1e-6);
  EXPECT_EQ(idsOf(halves), lean);

  // Five runs over two tasks: two and three, the middle run's middle falling
  // on the cut.
  const std::vector<RunChunk> five = chunkRuns(firstIds(5), std::vector<double>(5, 1.0), 0, 2);
  EXPECT_EQ(sizesOf(five), (std::vector<std::size_t>{2, 3}));
  EXPECT_EQ(five[1].ids, (std::vector<int>{2, 3, 4}));

  // 25 runs of 10 s, about 60 s a task: 4.17 tasks' worth makes four tasks
  // of six or seven runs, the seven not all left to the end.
  const std::vector<RunChunk> quarters = chunkRuns(firstIds(25), std::vector<double>(25, 10.0), 60, 1000);
  EXPECT_EQ(sizesOf(quarters), (std::vector<std::size_t>{6, 6, 7, 6}));
  EXPECT_DOUBLE_EQ(quarters[2].seconds, 70);
  EXPECT_EQ(idsOf(quarters), firstIds(25));
}

TEST(TaskChunks, TheTaskCountIsTheWorkOverTheTargetRounded) {
  const std::vector<double> tens(30, 10.0);                        // 300 s in all
  EXPECT_EQ(chunkRuns(firstIds(30), tens, 130, 1000).size(), 2u);  // 2.31 tasks' worth
  EXPECT_EQ(chunkRuns(firstIds(30), tens, 120, 1000).size(), 3u);  // 2.5
  EXPECT_EQ(chunkRuns(firstIds(30), tens, 110, 1000).size(), 3u);  // 2.73
  EXPECT_EQ(chunkRuns(firstIds(30), tens, 250, 1000).size(), 1u);  // 1.2
  // Less work than half a task is still one task, and no runs no task.
  EXPECT_EQ(chunkRuns(firstIds(3), {1, 2, 3}, 60, 1000).size(), 1u);
  EXPECT_TRUE(chunkRuns({}, {}, 60, 1000).empty());
  // Never more tasks than runs, however little the target.
  EXPECT_EQ(chunkRuns(firstIds(3), {1, 2, 3}, 0.001, 1000).size(), 3u);
  // Runs with no estimate at all stay in one task rather than none.
  const std::vector<RunChunk> unknown = chunkRuns(firstIds(4), std::vector<double>(4, 0.0), 0, 8);
  ASSERT_EQ(unknown.size(), 1u);
  EXPECT_EQ(unknown[0].ids, firstIds(4));
}

TEST(TaskChunks, TheClustersArrayLimitMakesTasksLarger) {
  // 100,000 runs of half a second with no target, in at most 999 tasks:
  // 999 tasks of 100 or 101 runs.
  const std::vector<int> ids = firstIds(100000);
  const std::vector<RunChunk> chunks = chunkRuns(ids, std::vector<double>(ids.size(), 0.5), 0, 999);
  ASSERT_EQ(chunks.size(), 999u);
  for (const RunChunk& chunk : chunks) {
    EXPECT_GE(chunk.ids.size(), 100u);
    EXPECT_LE(chunk.ids.size(), 101u);
  }
  EXPECT_EQ(idsOf(chunks), ids);
  // A target the limit overrules: the same 999.
  EXPECT_EQ(chunkRuns(ids, std::vector<double>(ids.size(), 0.5), 1, 999).size(), 999u);
  // Uneven runs: the heavy ones get tasks of their own, none over the limit.
  std::vector<double> seconds(40, 1.0);
  seconds[10] = seconds[30] = 100;
  const std::vector<RunChunk> uneven = chunkRuns(firstIds(40), seconds, 0, 4);
  EXPECT_LE(uneven.size(), 4u);
  EXPECT_EQ(idsOf(uneven), firstIds(40));
  EXPECT_GE(uneven.size(), 3u);
  // A run longer than a share leaves a task fewer rather than an empty one.
  const std::vector<RunChunk> heavyFirst = chunkRuns(firstIds(3), {100, 1, 1}, 0, 3);
  ASSERT_EQ(heavyFirst.size(), 2u);
  EXPECT_EQ(heavyFirst[1].ids, (std::vector<int>{1, 2}));
  // Four runs in two tasks, two each, whatever the rounding of their sum
  // and though the later two are larger.
  for (const std::vector<double>& four : {std::vector<double>(4, 0.1), std::vector<double>{1, 1, 1.2, 1.2}}) {
    const std::vector<RunChunk> pairs = chunkRuns(firstIds(4), four, 0, 2);
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[1].ids, (std::vector<int>{2, 3}));
  }
}

TEST(TaskChunks, UnequalRunsGiveTasksWithinARunOfTheirShare) {
  // Sweeps whose runs differ up to tenfold, in 2 to 20 tasks whose shares
  // are longer than any run: each task's edges lie within half a run of the
  // even cuts, so it holds its share of the work give or take the largest
  // run.
  std::mt19937 random(20261208);
  for (int sweep = 0; sweep < 200; ++sweep) {
    const int runs = 200 + static_cast<int>(random() % 400);
    std::vector<double> seconds(runs);
    for (double& s : seconds) s = 0.5 + static_cast<double>(random() % 4501) / 1000;  // 0.5 .. 5 s
    const double total = std::accumulate(seconds.begin(), seconds.end(), 0.0);
    const double largest = *std::max_element(seconds.begin(), seconds.end());
    const int tasks = 2 + static_cast<int>(random() % 19);
    const std::vector<RunChunk> chunks = chunkRuns(firstIds(runs), seconds, total / tasks, 1000);
    ASSERT_EQ(static_cast<int>(chunks.size()), tasks) << "sweep " << sweep;
    EXPECT_EQ(idsOf(chunks), firstIds(runs));
    for (const RunChunk& chunk : chunks)
      EXPECT_LE(std::abs(chunk.seconds - total / tasks), largest + 1e-9) << "sweep " << sweep;
  }
}

}  // namespace
}  // namespace vk

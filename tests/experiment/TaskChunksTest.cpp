// Runs grouped into cluster tasks: enough work in each, never more tasks
// than the cluster takes, every run once and in order.
#include <numeric>
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

TEST(TaskChunks, EachTaskHoldsTheLeastWorkAndTheRestJoinsTheLastTask) {
  // 25 runs of 10 s, at least 60 s a task: six runs each, the last seven.
  const std::vector<RunChunk> chunks = chunkRuns(firstIds(25), std::vector<double>(25, 10.0), 60, 1000);
  ASSERT_EQ(chunks.size(), 4u);
  EXPECT_EQ(chunks[0].ids, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(chunks[3].ids.size(), 7u);
  EXPECT_DOUBLE_EQ(chunks[3].seconds, 70);
  EXPECT_EQ(idsOf(chunks), firstIds(25));
  // Less work than one task holds: one task.
  EXPECT_EQ(chunkRuns(firstIds(3), {1, 2, 3}, 60, 1000).size(), 1u);
  EXPECT_TRUE(chunkRuns({}, {}, 60, 1000).empty());
}

TEST(TaskChunks, TheClustersArrayLimitMakesTasksLarger) {
  // 100,000 runs of half a second with no least work, in at most 999 tasks.
  const std::vector<int> ids = firstIds(100000);
  const std::vector<RunChunk> chunks = chunkRuns(ids, std::vector<double>(ids.size(), 0.5), 0, 999);
  EXPECT_LE(chunks.size(), 999u);
  EXPECT_GE(chunks.size(), 990u);
  EXPECT_EQ(idsOf(chunks), ids);
  // Uneven runs: the heavy ones get tasks of their own, none over the limit.
  std::vector<double> seconds(40, 1.0);
  seconds[10] = seconds[30] = 100;
  const std::vector<RunChunk> uneven = chunkRuns(firstIds(40), seconds, 0, 4);
  EXPECT_LE(uneven.size(), 4u);
  EXPECT_EQ(idsOf(uneven), firstIds(40));
  EXPECT_GE(uneven.size(), 3u);
  // Four runs in two tasks, two each, whatever the rounding of their sum
  // and though the later two are larger.
  for (const std::vector<double>& four : {std::vector<double>(4, 0.1), std::vector<double>{1, 1, 1.2, 1.2}}) {
    const std::vector<RunChunk> pairs = chunkRuns(firstIds(4), four, 0, 2);
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[1].ids, (std::vector<int>{2, 3}));
  }
}

}  // namespace
}  // namespace vk

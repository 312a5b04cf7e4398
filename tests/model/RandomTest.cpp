#include <gtest/gtest.h>

#include "model/Random.h"
#include "run/Display.h"
#include "run/RunState.h"

namespace vk {
namespace {

class RandomTest : public ::testing::Test {
 protected:
  RandomTest() : state(newRunState(display)), s(*state) { seedRandom(s, kRandomSeed); }

  Display display;
  std::unique_ptr<RunState> state;
  RunState& s;
};

TEST_F(RandomTest, FixedSeedGivesTheKnownFirstValues) {
  EXPECT_EQ(s.rngIndex, 0);
  EXPECT_DOUBLE_EQ(nextRandom(s), 0.8204141930220851);
  EXPECT_DOUBLE_EQ(nextRandom(s), 0.6353199466931138);
  EXPECT_DOUBLE_EQ(nextRandom(s), 0.5160921164980183);
}

TEST_F(RandomTest, FirstWeightCodesOfARun) {
  const int expected[10] = {3, 1, 0, -3, 1, -2, 0, 4, 4, -4};
  for (int code : expected) EXPECT_EQ(randomInt(s, 0, 8) - 4, code);
}

TEST_F(RandomTest, TableRefillsOnlyOnThe56thDraw) {
  const double firstEntry = s.rngTable[1];
  EXPECT_EQ(nextRandom(s), firstEntry);
  for (int i = 2; i <= 55; ++i) nextRandom(s);
  EXPECT_EQ(s.rngIndex, 55);
  EXPECT_EQ(s.rngTable[1], firstEntry);
  const double refilled = nextRandom(s);
  EXPECT_EQ(s.rngIndex, 1);
  EXPECT_NE(refilled, firstEntry);
  EXPECT_EQ(refilled, s.rngTable[1]);
}

TEST_F(RandomTest, DegenerateRangesAndCertainCoinDrawNothing) {
  EXPECT_EQ(randomInt(s, 5, 5), 5);
  EXPECT_EQ(randomInt(s, 5, 4), 5);
  EXPECT_TRUE(flip(s, 1.0));
  EXPECT_EQ(s.rngIndex, 0);
  flip(s, 0.0);
  flip(s, 0.999);
  EXPECT_EQ(s.rngIndex, 2);
}

TEST_F(RandomTest, ValuesStayInRangeAndCoverIt) {
  int seen[9] = {};
  for (int i = 0; i < 9000; ++i) {
    const int v = randomInt(s, 0, 8);
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 8);
    ++seen[v];
  }
  for (int count : seen) EXPECT_NEAR(count, 1000, 150);
  for (int i = 0; i < 1000; ++i) {
    const double r = nextRandom(s);
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
  }
}

TEST_F(RandomTest, RestoredStateRepeatsTheSameDraws) {
  for (int i = 0; i < 40; ++i) nextRandom(s);
  const int savedIndex = s.rngIndex;
  const auto savedTable = s.rngTable;
  double first[100];
  for (double& v : first) v = nextRandom(s);
  s.rngIndex = savedIndex;
  s.rngTable = savedTable;
  for (double v : first) EXPECT_EQ(nextRandom(s), v);
}

}  // namespace
}  // namespace vk

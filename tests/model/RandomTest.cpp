#include <gtest/gtest.h>

#include "model/Random.h"
#include "tests/model/ModelFixture.h"

namespace vk {
namespace {

class RandomTest : public testing::ModelTest {
 protected:
  RandomTest() { seedRandom(s, kRandomSeed); }
};

TEST_F(RandomTest, FixedSeedGivesTheKnownValuesAndFirstCodes) {
  EXPECT_EQ(s.rngIndex, 0);
  EXPECT_DOUBLE_EQ(nextRandom(s), 0.8204141930220851);
  EXPECT_DOUBLE_EQ(nextRandom(s), 0.6353199466931138);
  EXPECT_DOUBLE_EQ(nextRandom(s), 0.5160921164980183);
  seedRandom(s, kRandomSeed);
  for (int code : {3, 1, 0, -3, 1, -2, 0, 4, 4, -4}) EXPECT_EQ(randomInt(s, 0, 8) - 4, code);
}

TEST_F(RandomTest, DrawsOnlyWhereItMustAndRefillsOnThe56th) {
  EXPECT_EQ(randomInt(s, 5, 5), 5);
  EXPECT_EQ(randomInt(s, 5, 4), 5);
  EXPECT_TRUE(flip(s, 1.0));
  EXPECT_EQ(s.rngIndex, 0);
  const double firstEntry = s.rngTable[1];
  EXPECT_EQ(flip(s, 0.0), firstEntry == 0);
  for (int i = 2; i <= 55; ++i) nextRandom(s);
  EXPECT_EQ(s.rngTable[1], firstEntry);
  const double refilled = nextRandom(s);
  EXPECT_EQ(s.rngIndex, 1);
  EXPECT_NE(refilled, firstEntry);
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

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "io/RunError.h"
#include "model/Random.h"
#include "model/Seed.h"
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

TEST(SeedNumber, ZeroIsTheFixedSeedAndOthersAreDistinctRealsInsideTheUnitInterval) {
  EXPECT_EQ(generatorSeedOf(0), kRandomSeed);
  std::set<double> seen{kRandomSeed};
  for (SeedNumber n : {SeedNumber{1}, SeedNumber{2}, SeedNumber{3}, SeedNumber{1000}, kMaxSeedNumber}) {
    const double seed = generatorSeedOf(n);
    EXPECT_GT(seed, 0.0);
    EXPECT_LT(seed, 1.0);
    EXPECT_TRUE(seen.insert(seed).second) << n;
  }
  for (SeedNumber n = 4; n < 5000; ++n) seen.insert(generatorSeedOf(n));
  EXPECT_EQ(seen.size(), 5001u);  // seeds 0..4999 and the largest
  // Every stored experiment depends on the mapping: it must never change.
  // These are splitmix64(n) made odd and scaled by 2^-53, computed elsewhere.
  EXPECT_EQ(generatorSeedOf(1), 5103132997656651.0 * 0x1p-53);
  EXPECT_EQ(generatorSeedOf(5), 3483696855544121.0 * 0x1p-53);
  EXPECT_EQ(generatorSeedText(generatorSeedOf(5)), "0.3867680459839341");
  EXPECT_EQ(generatorSeedText(kRandomSeed), "0.873944312987");
}

TEST(SeedNumber, TextIsAPlainWholeNumberWithinRange) {
  EXPECT_EQ(seedNumberFromText("0", "--seed"), 0u);
  EXPECT_EQ(seedNumberFromText("17", "--seed"), 17u);
  EXPECT_EQ(seedNumberFromText("9223372036854775807", "--seed"), kMaxSeedNumber);
  for (const char* bad : {"", "-1", "+1", "1.5", "1e3", " 1", "9223372036854775808", "99999999999999999999", "x"}) {
    SCOPED_TRACE(bad);
    try {
      seedNumberFromText(bad, "--seed");
      ADD_FAILURE() << "accepted";
    } catch (const RunError& e) {
      EXPECT_NE(std::string(e.what()).find("--seed '"), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace vk

#include <cmath>

#include <gtest/gtest.h>

#include "model/Levels.h"

namespace vk {
namespace {

TEST(Levels, ClampLevelTruncatesTowardZeroWithinNdiv) {
  EXPECT_EQ(clampLevel(-2.7, 10), -2);
  EXPECT_EQ(clampLevel(2.99, 10), 2);
  EXPECT_EQ(clampLevel(10.0, 10), 10);
  EXPECT_EQ(clampLevel(-1e300, 10), -10);
  EXPECT_EQ(clampLevel(NAN, 3), 0);
}

TEST(Levels, ClampTrendTruncatesTowardZeroWithinThree) {
  EXPECT_EQ(clampTrend(2.9), 2);
  EXPECT_EQ(clampTrend(-0.5), 0);
  EXPECT_EQ(clampTrend(0.99), 0);
  EXPECT_EQ(clampTrend(3.0), 3);
  EXPECT_EQ(clampTrend(-7), -3);
  EXPECT_EQ(clampTrend(-2.99), -2);
  EXPECT_EQ(clampTrend(1.0 / 0.0), 3);
  EXPECT_EQ(clampTrend(0.0 / 0.0), 0);
}

}  // namespace
}  // namespace vk

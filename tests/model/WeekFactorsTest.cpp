#include "model/WeekFactors.h"

#include "tests/model/ModelFixture.h"

namespace vk {
namespace {

using WeekFactors = testing::ModelTest;

TEST_F(WeekFactors, DataFactorsAreTheWeeksAndTrendsComeFromActualThenSimulatedChanges) {
  s.minyear = 1;
  s.teachyear = 5;
  s.trend1 = 0.5;
  s.trend2 = 1;
  s.trend3 = 0.25;
  s.dataFactors[0][1] = 4;
  s.dataFactors[6][1] = 7;
  s.dataFactors[6][14] = -2;
  s.actualChange[5] = 1.2;  // the change into the last training week: 2.4 levels
  s.simChange[5] = -9;
  s.simChange[6] = -0.7;
  s.simRate[6] = 2.0;
  s.simRate[5] = 1.5;
  s.simRate[4] = 1.5;
  s.simRate[2] = -1.0;
  s.week = 6;
  loadWeekFactors(s);
  EXPECT_EQ(s.factorValue[1], 7);
  EXPECT_EQ(s.factorValue[14], -2);
  EXPECT_EQ(s.factorValue[15], 2);
  s.week = 7;
  loadWeekFactors(s);
  EXPECT_EQ(s.factorValue[1], 0);
  EXPECT_EQ(s.factorValue[15], -1);  // -0.7 / 0.5
  EXPECT_EQ(s.factorValue[16], 3);   // 2.0 - (-1.0)
  EXPECT_EQ(s.factorValue[17], 2);   // (2 - 3 + 1.5) / 0.25
  s.week = 0;                        // initialisation looks back before week -4: those weeks read as 0
  loadWeekFactors(s);
  EXPECT_EQ(s.factorValue[1], 4);
  EXPECT_EQ(s.factorValue[16], 0);
}

}  // namespace
}  // namespace vk

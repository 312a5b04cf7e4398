#include <cmath>

#include "model/Agent.h"
#include "tests/model/ModelFixture.h"

namespace vk {
namespace {

TEST(AgentHelpers, DecodeWeight) {
  const double weights[9] = {-3, -1, -0.5, -0.1, 0, 0.1, 0.5, 1, 3};
  for (int code = -4; code <= 4; ++code) EXPECT_EQ(decodeWeight(code), weights[code + 4]);
}

class Forecast : public testing::ModelTest {
 protected:
  Forecast() {
    s.ndiv = 10;
    s.delta = 0.25;
    s.nWeights = 17;
  }
  Agent& forecast() {
    computeForecast(s, s.agents[1]);
    return s.agents[1];
  }
};

TEST_F(Forecast, PlainRuleExamples) {
  setFactors({5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2});
  EXPECT_EQ(forecast().target, 0);  // all codes 0
  setGenes(1, {4});                 // one term of 15: clamped to ndiv
  EXPECT_EQ(forecast().strength, 15);
  EXPECT_EQ(forecast().forecast, 10 * 0.25);
  EXPECT_EQ(forecast().target, 150 * 0.25);

  setFactors({3, 1});
  setGenes(1, {3, -3});  // +3 and -1
  EXPECT_EQ(forecast().strength, std::sqrt(8.0));
  EXPECT_EQ(forecast().forecast, 2 * 0.25);
  setFactors({2, 2});  // +2 and -2
  EXPECT_EQ(forecast().strength, 0);
  EXPECT_EQ(forecast().forecast, 0);
  setFactors({-2, -7});
  setGenes(1, {3, 1});  // -2 and -0.7: net -2.7 truncates to -2
  EXPECT_EQ(forecast().forecast, -2 * 0.25);
  EXPECT_EQ(forecast().strength, 2.0 + 7 * 0.1);
}

TEST_F(Forecast, StagedRuleTakesWeightsInGroupOrderAndClampsEachStage) {
  // Group 1: factors 1, 2 (weights 1-2); group 2: factor 3 (weight 3); one
  // second-stage group of group 1 and factor 4 (weights 4-5); final weight 6.
  s.stage1Groups = 2;
  s.stage1Size[1] = 2;
  s.stage1Factors[1][1] = 1;
  s.stage1Factors[1][2] = 2;
  s.stage1Size[2] = 1;
  s.stage1Factors[2][1] = 3;
  s.stage2Groups = 1;
  s.stage2InnerCount[1] = 1;
  s.stage2FactorCount[1] = 1;
  s.stage2Members[1][1] = 1;
  s.stage2Members[1][2] = 4;
  s.nWeights = 6;
  setFactors({8, 1, 3, 1});
  setGenes(1, {3, -1, 4, 3, 2, 3});  // 8 - 0.1 = 7.9 -> 3; 3 + 0.5 -> 3; final 3
  EXPECT_EQ(forecast().forecast, 3 * 0.25);
  setFactors({3, 1, 3, 1});  // 2.9 -> 2; 2 + 0.5 -> 2
  EXPECT_EQ(forecast().forecast, 2 * 0.25);
  setGenes(1, {-1, 4, 3, 2, 3, 0});  // shifted by one weight: final weight 0
  EXPECT_EQ(forecast().forecast, 0);

  s.stage2Groups = 0;  // first-stage groups alone feed no term
  setGenes(1, {4, 4, 4});
  EXPECT_EQ(forecast().forecast, 0);
  EXPECT_EQ(forecast().strength, 0);
}

}  // namespace
}  // namespace vk

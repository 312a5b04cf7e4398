#include <cmath>

#include "model/Agent.h"
#include "tests/model/ModelFixture.h"

namespace vk {
namespace {

class AgentRule : public testing::ModelTest {
 protected:
  AgentRule() {
    s.ndiv = 10;
    s.delta = 0.25;
    s.nWeights = 17;  // the plain rule
  }
  Agent& agent() { return s.agents[1]; }
  void forecast() { computeForecast(s, agent()); }
};

TEST(DecodeWeight, MapsEveryCode) {
  const double expected[9] = {-3, -1, -0.5, -0.1, 0, 0.1, 0.5, 1, 3};
  for (int code = -4; code <= 4; ++code) EXPECT_EQ(decodeWeight(code), expected[code + 4]) << code;
}

TEST(ClampLevel, TruncatesTowardZeroAndLimits) {
  EXPECT_EQ(clampLevel(-2.7, 10), -2);
  EXPECT_EQ(clampLevel(2.99, 10), 2);
  EXPECT_EQ(clampLevel(-0.99, 10), 0);
  EXPECT_EQ(clampLevel(10.0, 10), 10);
  EXPECT_EQ(clampLevel(9.99, 10), 9);
  EXPECT_EQ(clampLevel(-1e300, 10), -10);
  EXPECT_EQ(clampLevel(INFINITY, 3), 3);
  EXPECT_EQ(clampLevel(NAN, 3), 0);
  EXPECT_EQ(clampLevel(5.5, 0), 0);
}

TEST_F(AgentRule, AllZeroCodesForecastNothing) {
  setFactors({3, -2, 1, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3});
  agent().forecast = agent().strength = agent().target = 99;
  forecast();
  EXPECT_EQ(agent().strength, 0);
  EXPECT_EQ(agent().forecast, 0);
  EXPECT_EQ(agent().target, 0);
}

TEST_F(AgentRule, SingleStrongTermIsClampedToNdiv) {
  setFactors({5});
  setGenes(1, {4});
  forecast();
  EXPECT_EQ(agent().strength, 15);
  EXPECT_EQ(agent().forecast, 10 * 0.25);
  EXPECT_EQ(agent().target, 150 * 0.25);
}

TEST_F(AgentRule, OpposedTermsSetStrengthAndNetLevel) {
  setFactors({2, 2});
  setGenes(1, {3, -3});  // terms +2 and -2
  forecast();
  EXPECT_EQ(agent().strength, 0);
  EXPECT_EQ(agent().forecast, 0);

  setFactors({3, 1});
  setGenes(1, {3, -3});  // terms +3 and -1
  forecast();
  EXPECT_EQ(agent().strength, std::sqrt(8.0));
  EXPECT_EQ(agent().forecast, 2 * 0.25);
  EXPECT_EQ(agent().target, std::sqrt(8.0) * 0.5);
}

TEST_F(AgentRule, NegativeNetTruncatesTowardZero) {
  setFactors({-2, -7});
  setGenes(1, {3, 1});  // terms -2 and -0.7: net -2.7
  forecast();
  EXPECT_EQ(agent().forecast, -2 * 0.25);
  const double negative = 2.0 + 7 * 0.1;
  EXPECT_EQ(agent().strength, std::sqrt(negative * negative));
  EXPECT_EQ(agent().target, agent().strength * (-2 * 0.25));
}

TEST_F(AgentRule, PlainRuleUsesWeightIForFactorI) {
  setFactors({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2});
  setGenes(1, {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 3});
  forecast();
  EXPECT_EQ(agent().forecast, 2 * 0.25);
}

class StagedRule : public AgentRule {
 protected:
  // Group 1: factors 1, 2; group 2: factor 3. Second stage: group 1 mixes
  // first-stage group 2 with factor 4. Weights: 1-2 group 1, 3 group 2,
  // 4-5 second stage, 6 final.
  StagedRule() {
    s.stage1Groups = 2;
    s.stage1Size[1] = 2;
    s.stage1Factors[1][1] = 1;
    s.stage1Factors[1][2] = 2;
    s.stage1Size[2] = 1;
    s.stage1Factors[2][1] = 3;
    s.stage2Groups = 1;
    s.stage2InnerCount[1] = 1;
    s.stage2FactorCount[1] = 1;
    s.stage2Members[1][1] = 2;
    s.stage2Members[1][2] = 4;
    s.nWeights = 6;
  }
};

TEST_F(StagedRule, WeightsAreTakenInGroupOrder) {
  setFactors({1, 1, 2, 1});
  // group 2: 2 x 3 = 6 -> 3; second stage: 3 x 1 + 1 x 0.5 = 3.5 -> 3;
  // final: 3 x 1 = 3.
  setGenes(1, {0, 0, 4, 3, 2, 3});
  forecast();
  EXPECT_EQ(agent().forecast, 3 * 0.25);
  EXPECT_EQ(agent().strength, 3);
  // The same codes shifted by one weight change every stage.
  setGenes(1, {0, 4, 3, 2, 3, 0});
  forecast();
  EXPECT_EQ(agent().forecast, 0);
}

TEST_F(StagedRule, StageOutputsAreTruncatedAndLimitedToThree) {
  setFactors({0, 0, 0, 1});
  setGenes(1, {0, 0, 0, 0, 1, 4});  // second stage 0.1 -> 0
  forecast();
  EXPECT_EQ(agent().forecast, 0);

  setFactors({0, 0, -3, 0});
  setGenes(1, {0, 0, 3, 3, 0, 4});  // group 2: -3 -> -3; second stage -3 -> -3; final -9
  forecast();
  EXPECT_EQ(agent().forecast, -9 * 0.25);

  setFactors({0, 0, 3, -1});
  setGenes(1, {0, 0, 4, 3, -4, 3});  // group 2: 9 -> 3; 3 + 3 = 6 -> 3
  forecast();
  EXPECT_EQ(agent().forecast, 3 * 0.25);

  setFactors({0, 0, 2, 0});
  setGenes(1, {0, 0, 2, 3, 0, 3});  // group 2: 1 -> 1 (exact); final 1
  forecast();
  EXPECT_EQ(agent().forecast, 1 * 0.25);
}

TEST_F(StagedRule, FirstStageWithoutSecondStageForecastsZero) {
  s.stage2Groups = 0;
  s.nWeights = 3;
  setFactors({3, 3, 3});
  setGenes(1, {4, 4, 4});
  forecast();
  EXPECT_EQ(agent().forecast, 0);
  EXPECT_EQ(agent().strength, 0);
}

TEST_F(StagedRule, FirstStageSumsAreTruncatedToo) {
  s.stage2Members[1][1] = 1;  // the second stage now reads group 1
  setFactors({8, 1, 0, 0});
  setGenes(1, {3, -1, 0, 3, 0, 3});  // group 1: 8 - 0.1 = 7.9 -> 3
  forecast();
  EXPECT_EQ(agent().forecast, 3 * 0.25);
  setFactors({3, 1, 0, 0});  // group 1: 3 - 0.1 = 2.9 -> 2
  forecast();
  EXPECT_EQ(agent().forecast, 2 * 0.25);
}

}  // namespace
}  // namespace vk

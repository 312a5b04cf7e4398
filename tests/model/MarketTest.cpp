#include <cmath>
#include <vector>

#include "model/Market.h"
#include "tests/model/ModelFixture.h"

namespace vk {
namespace {

class Clearing : public testing::ModelTest {
 protected:
  Clearing() {
    s.ndiv = 2;
    s.delta = 0.1;
    s.popsize = 3;
    s.teachyear = 5;
    s.week = 10;
    s.simRate[9] = 1.0;
    s.actualRate[9] = s.actualRate[10] = s.actualChange[10] = NAN;  // never read in a simulated week
  }
  std::vector<double> levels(const IndexedArray<double, -41, 41>& schedule) const {
    std::vector<double> row;
    for (int k = -2; k <= 2; ++k) row.push_back(schedule[k]);
    return row;
  }
  std::vector<double> field(double Agent::*member) const {
    return {s.agents[1].*member, s.agents[2].*member, s.agents[3].*member};
  }
};

TEST_F(Clearing, RationsTheMarginalSeller) {
  setOrder(1, 1, 2);
  setOrder(2, -1, -1);
  setOrder(3, 0, -3);
  clearMarket(s);
  EXPECT_EQ(levels(s.supply), (std::vector<double>{0, 1, 4, 4, 4}));
  EXPECT_EQ(levels(s.demand), (std::vector<double>{2, 2, 2, 2, 0}));
  EXPECT_EQ(s.simChange[10], 0);
  EXPECT_EQ(s.simRate[10], 1.0);
  EXPECT_EQ(s.simHist[0], 1);
  EXPECT_EQ(s.volume, 2);
  EXPECT_EQ(field(&Agent::target), (std::vector<double>{2, -1, -1}));
  EXPECT_EQ(field(&Agent::fitness), (std::vector<double>{-0.1, -0.1, 0}));
}

TEST_F(Clearing, CancelsWrongSideOrdersAndRationsTheMarginalBuyer) {
  setOrder(1, 1, 4);
  setOrder(2, 0, 2);
  setOrder(3, -1, -3);
  clearMarket(s);
  EXPECT_EQ(levels(s.supply), (std::vector<double>{0, 3, 3, 3, 3}));
  EXPECT_EQ(levels(s.demand), (std::vector<double>{6, 6, 6, 4, 0}));
  EXPECT_EQ(s.simChange[10], 0.1);
  EXPECT_EQ(s.simRate[10], 1.0 + 0.1);
  EXPECT_EQ(s.simHist[1], 1);
  EXPECT_EQ(s.volume, 3);
  EXPECT_EQ(field(&Agent::target), (std::vector<double>{3, 0, -3}));
  EXPECT_EQ(field(&Agent::fitness), (std::vector<double>{0, -0.1, -std::fabs(0.1 - -0.1)}));
}

// Demand above level -1 equals the supply at it: the search stops there,
// since the buyers above no longer strictly outbid the sellers.
TEST_F(Clearing, AnExactTieEndsTheLevelSearch) {
  s.popsize = 2;
  setOrder(1, 1, 2);
  setOrder(2, -1, -2);
  clearMarket(s);
  EXPECT_EQ(levels(s.supply), (std::vector<double>{0, 2, 2, 2, 2}));
  EXPECT_EQ(levels(s.demand), (std::vector<double>{2, 2, 2, 2, 0}));
  EXPECT_EQ(s.simChange[10], -0.1);
  EXPECT_EQ(s.simHist[-1], 1);
  EXPECT_EQ(s.volume, 2);
  EXPECT_EQ(s.agents[2].target, -2);
  EXPECT_EQ(s.agents[1].fitness, -0.2);
}

TEST_F(Clearing, AllBuyersMeansNoTrade) {
  setOrder(1, 2, 1);
  setOrder(2, -1, 5);
  setOrder(3, 0, 0.5);
  for (int n = 1; n <= 3; ++n) s.agents[n].fitness = -4;
  clearMarket(s);
  EXPECT_EQ(levels(s.supply), (std::vector<double>{0, 0, 0, 0, 0}));
  EXPECT_EQ(s.simRate[10], 1.0);
  EXPECT_EQ(s.simHist[0], 1);
  EXPECT_EQ(s.volume, 0);
  EXPECT_EQ(field(&Agent::target), (std::vector<double>{0, 0, 0}));
  EXPECT_EQ(field(&Agent::fitness), (std::vector<double>{0, 0, 0}));
}

TEST_F(Clearing, TrainingWeekFollowsTheActualRateAndAccumulatesErrors) {
  s.week = 5;
  s.actualRate[4] = 2.0;
  s.actualRate[5] = 2.25;
  s.actualChange[5] = 0.25;
  setOrder(1, 1, 3);
  s.agents[1].fitness = -1;
  clearMarket(s);
  EXPECT_EQ(s.simChange[5], 0.25);
  EXPECT_EQ(s.simRate[5], 2.25);
  EXPECT_EQ(s.agents[1].fitness, -1 - std::fabs(0.25 - 0.1));
  EXPECT_EQ(s.agents[1].target, 3);
  EXPECT_EQ(s.simHist[1] + s.simHist[0], 0);
}

// The tie order fixes the order of summation, so it is pinned down.
TEST_F(Clearing, QuicksortLeavesTiesInItsOwnOrder) {
  const auto sorted = [this](const std::vector<int>& levels) {
    s.popsize = static_cast<int>(levels.size());
    for (int n = 1; n <= s.popsize; ++n) {
      s.agents[n].forecast = levels[n - 1] * s.delta;
      s.sortIndex[n] = n;
    }
    sortByForecast(s, 1, s.popsize);
    return std::vector<int>(s.sortIndex.items, s.sortIndex.items + s.popsize);
  };
  EXPECT_EQ(sorted({1, 1, 1}), (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(sorted({1, 1, 1, 1}), (std::vector<int>{3, 4, 1, 2}));
  EXPECT_EQ(sorted({2, 1, 2, 0, 1}), (std::vector<int>{4, 2, 5, 1, 3}));
  EXPECT_EQ(sorted({5, -3, 9, -8, 0}), (std::vector<int>{4, 2, 5, 1, 3}));
}

}  // namespace
}  // namespace vk

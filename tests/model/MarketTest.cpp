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
    // A simulated week never reads the actual rate.
    s.actualRate[9] = s.actualRate[10] = NAN;
    s.actualChange[10] = NAN;
  }

  std::vector<double> supplyRow() const {
    std::vector<double> row;
    for (int k = -2; k <= 2; ++k) row.push_back(s.supply[k]);
    return row;
  }
  std::vector<double> demandRow() const {
    std::vector<double> row;
    for (int k = -2; k <= 2; ++k) row.push_back(s.demand[k]);
    return row;
  }
};

TEST_F(Clearing, RationsTheMarginalSeller) {
  setOrder(1, 1, 2);
  setOrder(2, -1, -1);
  setOrder(3, 0, -3);
  clearMarket(s);
  EXPECT_EQ(supplyRow(), (std::vector<double>{0, 1, 4, 4, 4}));
  EXPECT_EQ(demandRow(), (std::vector<double>{2, 2, 2, 2, 0}));
  EXPECT_EQ(s.demand[3], 0);
  EXPECT_EQ(s.simChange[10], 0);
  EXPECT_EQ(s.simRate[10], 1.0);
  EXPECT_EQ(s.simHist[0], 1);
  EXPECT_EQ(s.volume, 2);
  EXPECT_EQ(s.agents[1].target, 2);
  EXPECT_EQ(s.agents[2].target, -1);
  EXPECT_EQ(s.agents[3].target, -1);
  EXPECT_EQ(s.agents[1].fitness, -0.1);
  EXPECT_EQ(s.agents[2].fitness, -0.1);
  EXPECT_EQ(s.agents[3].fitness, 0);
}

TEST_F(Clearing, CancelsWrongSideOrdersAndRationsTheMarginalBuyer) {
  setOrder(1, 1, 4);
  setOrder(2, 0, 2);
  setOrder(3, -1, -3);
  clearMarket(s);
  EXPECT_EQ(supplyRow(), (std::vector<double>{0, 3, 3, 3, 3}));
  EXPECT_EQ(demandRow(), (std::vector<double>{6, 6, 6, 4, 0}));
  EXPECT_EQ(s.simChange[10], 1 * 0.1);
  EXPECT_EQ(s.simRate[10], 1.0 + 0.1);
  EXPECT_EQ(s.simHist[1], 1);
  EXPECT_EQ(s.volume, 3);
  EXPECT_EQ(s.agents[1].target, 3);
  EXPECT_EQ(s.agents[2].target, 0);
  EXPECT_EQ(s.agents[3].target, -3);
  EXPECT_EQ(s.agents[1].fitness, 0);
  EXPECT_EQ(s.agents[2].fitness, -0.1);
  EXPECT_EQ(s.agents[3].fitness, -std::fabs(0.1 - -0.1));
}

TEST_F(Clearing, AllBuyersMeansNoTrade) {
  setOrder(1, 2, 1);
  setOrder(2, -1, 5);
  setOrder(3, 0, 0.5);
  for (int n = 1; n <= 3; ++n) {
    s.agents[n].position = 7;
    s.agents[n].target += 7;
    s.agents[n].fitness = -4;
  }
  clearMarket(s);
  for (int k = -2; k <= 2; ++k) EXPECT_EQ(s.supply[k], 0);
  EXPECT_EQ(s.simChange[10], 0);
  EXPECT_EQ(s.simRate[10], 1.0);
  EXPECT_EQ(s.simHist[0], 1);
  EXPECT_EQ(s.volume, 0);
  for (int n = 1; n <= 3; ++n) {
    EXPECT_EQ(s.agents[n].target, 7);
    EXPECT_EQ(s.agents[n].fitness, 0);
  }
}

TEST_F(Clearing, ZeroOrderCountsOnBothSidesWithoutQuantity) {
  setOrder(1, 0, 0);
  setOrder(2, 1, 2);
  setOrder(3, -1, -2);
  clearMarket(s);
  // Level 0 holds only the zero order, which adds nothing to either side.
  EXPECT_EQ(s.supply[0], s.supply[-1]);
  EXPECT_EQ(s.demand[0], s.demand[1]);
  // demand[0] = 2 does not exceed supply[-1] = 2: the market clears at -1.
  EXPECT_EQ(s.simChange[10], -1 * 0.1);
  EXPECT_EQ(s.volume, 2);
  EXPECT_EQ(s.agents[1].target, 0);
  EXPECT_EQ(s.agents[2].target, 2);
  EXPECT_EQ(s.agents[3].target, -2);
}

TEST_F(Clearing, TrainingWeekFollowsTheActualRateAndAccumulatesErrors) {
  s.week = 5;
  s.actualRate[4] = 2.0;
  s.actualRate[5] = 2.25;
  s.actualChange[5] = 0.25;
  setOrder(1, 1, 3);
  setOrder(2, -2, -1);
  s.agents[1].fitness = -1;
  s.volume = 9;
  clearMarket(s);
  EXPECT_EQ(s.simChange[5], 0.25);
  EXPECT_EQ(s.simRate[5], 2.25);
  EXPECT_EQ(s.agents[1].fitness, -1 - std::fabs(0.25 - 0.1));
  EXPECT_EQ(s.agents[2].fitness, -std::fabs(0.25 - -0.2));
  EXPECT_EQ(s.agents[1].target, 3);
  EXPECT_EQ(s.volume, 9);
  for (int k = -2; k <= 2; ++k) EXPECT_EQ(s.simHist[k], 0);
}

class Sorting : public testing::ModelTest {
 protected:
  std::vector<int> sorted(const std::vector<int>& levels) {
    s.delta = 0.1;
    s.popsize = static_cast<int>(levels.size());
    for (int n = 1; n <= s.popsize; ++n) {
      s.agents[n].forecast = levels[n - 1] * s.delta;
      s.sortIndex[n] = n;
    }
    sortByForecast(s, 1, s.popsize);
    std::vector<int> order;
    for (int n = 1; n <= s.popsize; ++n) order.push_back(s.sortIndex[n]);
    return order;
  }
};

// The tie order decides the order of summation, so it is pinned down here.
TEST_F(Sorting, LeavesTiesInTheQuicksortsOwnOrder) {
  EXPECT_EQ(sorted({1, 1, 1}), (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(sorted({1, 1, 1, 1}), (std::vector<int>{3, 4, 1, 2}));
  EXPECT_EQ(sorted({2, 1, 2, 0, 1}), (std::vector<int>{4, 2, 5, 1, 3}));
}

TEST_F(Sorting, SortsAscending) {
  const std::vector<int> levels = {5, -3, 0, 9, -3, 2, 2, -8, 4, 0, 1, -1};
  const std::vector<int> order = sorted(levels);
  for (std::size_t i = 1; i < order.size(); ++i)
    EXPECT_LE(levels[order[i - 1] - 1], levels[order[i] - 1]);
  EXPECT_EQ(sorted({7}), (std::vector<int>{1}));
}

}  // namespace
}  // namespace vk

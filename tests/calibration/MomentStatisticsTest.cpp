// The estimator's statistics against cases worked by hand: the loss, the
// across-path covariance, the weighting matrices and their refusals, and the
// sandwich errors and J test of a linear model whose answers are known.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calibration/MomentStatistics.h"
#include "io/RunError.h"

namespace vk {
namespace {

MomentMatrix matrix(int rows, int cols, const std::vector<double>& values) {
  MomentMatrix m(rows, cols);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) m(r, c) = values[static_cast<std::size_t>(r * cols + c)];
  return m;
}

MomentVector vector(const std::vector<double>& values) {
  return Eigen::Map<const MomentVector>(values.data(), static_cast<Eigen::Index>(values.size()));
}

std::string refusal(const std::function<void()>& action) {
  try {
    action();
  } catch (const RunError& e) {
    return e.what();
  }
  ADD_FAILURE() << "accepted";
  return "";
}

TEST(MomentLossTest, IsTheQuadraticFormOfTheDifference) {
  // g = (1, 2); g'Wg = 2*1 + 2*(1*1*2) + 3*4 = 18.
  EXPECT_DOUBLE_EQ(momentLoss(vector({1.5, 2.5}), vector({0.5, 0.5}), matrix(2, 2, {2, 1, 1, 3})), 18.0);
  EXPECT_DOUBLE_EQ(momentLoss(vector({0.5, 0.5}), vector({0.5, 0.5}), matrix(2, 2, {2, 1, 1, 3})), 0.0);
}

TEST(MomentLossTest, MeansAndCovarianceAcrossPaths) {
  // Paths (1, 2), (3, 6), (5, 4): means (3, 4), deviations (-2, -2), (0, 2),
  // (2, 0), so the covariance with divisor 2 is [[4, 2], [2, 4]].
  const MomentMatrix paths = matrix(3, 2, {1, 2, 3, 6, 5, 4});
  EXPECT_TRUE(momentMeans(paths).isApprox(vector({3, 4})));
  EXPECT_TRUE(momentCovariance(paths).isApprox(matrix(2, 2, {4, 2, 2, 4})));
  EXPECT_THROW(momentCovariance(matrix(1, 2, {1, 2})), RunError);
}

TEST(WeightsTest, DiagonalAndInverseOfTheCovariance) {
  const MomentMatrix omega = matrix(2, 2, {4, 2, 2, 4});
  EXPECT_TRUE(diagonalWeights(omega, {"a", "b"}).isApprox(matrix(2, 2, {0.25, 0, 0, 0.25})));
  // [[4, 2], [2, 4]]^-1 = [[4, -2], [-2, 4]] / 12.
  EXPECT_TRUE(inverseWeights(omega, {"a", "b"}).isApprox(matrix(2, 2, {4, -2, -2, 4}) / 12.0));
  // Scales far apart are no reason to refuse.
  const MomentMatrix scaled = matrix(2, 2, {4e-8, 2e-4, 2e-4, 4});
  EXPECT_TRUE((inverseWeights(scaled, {"a", "b"}) * scaled).isApprox(MomentMatrix::Identity(2, 2)));
}

TEST(WeightsTest, RefusesACollinearSetNamingItsMoments) {
  // b is twice a on every path; c moves on its own.
  const MomentMatrix paths = matrix(4, 3, {1, 2, 0, 2, 4, 1, 3, 6, 0, 4, 8, 2});
  const std::string message = refusal([&] {
    inverseWeights(momentCovariance(paths), {"std", "acf_r_1", "excess_kurtosis"});
  });
  EXPECT_NE(message.find("std, acf_r_1 are collinear"), std::string::npos) << message;
  EXPECT_EQ(message.find("excess_kurtosis"), std::string::npos) << message;
}

TEST(WeightsTest, RefusesAMomentWithoutVariance) {
  const MomentMatrix paths = matrix(3, 2, {1, 5, 2, 5, 4, 5});
  for (bool diagonal : {true, false}) {
    const std::string message = refusal([&] {
      const MomentMatrix omega = momentCovariance(paths);
      diagonal ? diagonalWeights(omega, {"std", "hill"}) : inverseWeights(omega, {"std", "hill"});
    });
    EXPECT_NE(message.find("the moment hill does not vary"), std::string::npos) << message;
  }
}

// m(theta) = a + B theta with B = [[1, 0], [0, 2], [1, 1]] and the paths'
// covariance Omega = diag(1, 4, 2), from S = 4 paths.
class LinearModelTest : public ::testing::Test {
 protected:
  MomentVector at(double t1, double t2) const { return vector({0.1, 0.2, 0.3}) + b * vector({t1, t2}); }
  MomentMatrix jacobian() const {
    MomentMatrix d(3, 2);
    // Central in t1, one-sided (the range's upper end) in t2.
    d.col(0) = jacobianColumn(at(1.01, 2.0), at(0.99, 2.0), 0.01, 0.01);
    d.col(1) = jacobianColumn(at(1.0, 2.0), at(1.0, 1.95), 0.0, 0.05);
    return d;
  }
  const MomentMatrix b = matrix(3, 2, {1, 0, 0, 2, 1, 1});
  const MomentMatrix omega = matrix(3, 3, {1, 0, 0, 0, 4, 0, 0, 0, 2});
  const std::vector<double> ranges = {1.0, 1.0};
};

TEST_F(LinearModelTest, DifferencesRecoverTheSlopes) { EXPECT_TRUE(jacobian().isApprox(b, 1e-9)); }

TEST_F(LinearModelTest, EfficientWeightsGiveTheInverseInformation) {
  // B'Omega^-1 B = [[1.5, 0.5], [0.5, 1.5]], its inverse [[0.75, -0.25],
  // [-0.25, 0.75]], times 1 + 1/4.
  const SandwichErrors e = sandwichErrors(jacobian(), omega.inverse(), omega, 4, ranges);
  ASSERT_EQ(e.identified, (std::vector<bool>{true, true}));
  EXPECT_NEAR(e.standardError[0], std::sqrt(0.75 * 1.25), 1e-9);
  EXPECT_NEAR(e.standardError[1], std::sqrt(0.75 * 1.25), 1e-9);
  EXPECT_NEAR(e.covariance(0, 1), -0.25 * 1.25, 1e-9);
}

TEST_F(LinearModelTest, OtherWeightsGiveTheFullSandwich) {
  // W = I: (B'B)^-1 = [[5, -1], [-1, 2]] / 9, B'Omega B = [[3, 2], [2, 18]],
  // and the product is [[73, -29], [-29, 67]] / 81.
  const SandwichErrors e = sandwichErrors(jacobian(), MomentMatrix::Identity(3, 3), omega, 4, ranges);
  EXPECT_NEAR(e.standardError[0], std::sqrt(73.0 / 81.0 * 1.25), 1e-9);
  EXPECT_NEAR(e.standardError[1], std::sqrt(67.0 / 81.0 * 1.25), 1e-9);
  EXPECT_NEAR(e.covariance(0, 1), -29.0 / 81.0 * 1.25, 1e-9);
}

TEST_F(LinearModelTest, AFlatColumnIsNotIdentifiedAndTheOtherKeepsItsError) {
  MomentMatrix d = b;
  d.col(1) = vector({0.0, 1e-3, 0.0});  // across its range a tiny share of sd 2
  const SandwichErrors e = sandwichErrors(d, omega.inverse(), omega, 4, ranges);
  EXPECT_EQ(e.identified, (std::vector<bool>{true, false}));
  EXPECT_TRUE(std::isnan(e.standardError[1]));
  // b1' Omega^-1 b1 = 1 + 1/2.
  EXPECT_NEAR(e.standardError[0], std::sqrt(1.25 / 1.5), 1e-9);
  // The same column over a range a thousand times wider moves a moment by
  // half its sd: identified.
  EXPECT_EQ(sandwichErrors(d, omega.inverse(), omega, 4, {1.0, 1000.0}).identified, (std::vector<bool>{true, true}));
}

TEST_F(LinearModelTest, ColumnsThatMoveTheMomentsAlikeAreNotIdentified) {
  MomentMatrix d = b;
  d.col(1) = 3.0 * d.col(0);
  const SandwichErrors e = sandwichErrors(d, omega.inverse(), omega, 4, ranges);
  EXPECT_EQ(e.identified, (std::vector<bool>{false, false}));
}

// Paths above and below in pairs: differences 1 and 2 have the variance
// 1/2, their mean a quarter of it over a step of 0.5 + 0.5.
TEST(JacobianNoise, PairedDifferencesGiveTheColumnsNoise) {
  const MomentMatrix above = matrix(2, 2, {1, 10, 3, 10});
  const MomentMatrix below = matrix(2, 2, {0, 4, 1, 4});
  const MomentMatrix noise = jacobianColumnNoise(above, below, 0.5, 0.5);
  EXPECT_TRUE(noise.isApprox(matrix(2, 2, {0.25, 0, 0, 0})));
  // Over a step twice as long the quotient has a quarter of the noise.
  EXPECT_NEAR(jacobianColumnNoise(above, below, 1.0, 1.0)(0, 0), 0.0625, 1e-15);
}

// d = 1 with noise 0.25 is two standard deviations out, above chi2(1)'s 95 %
// quantile 3.84 but below its 99 % quantile 6.63; d = 0.9 is 3.24, within
// the 95 % one. A moment without noise leaves the test, and if none has
// any, any change at all stands out.
TEST(JacobianNoise, AColumnStandsOutOfItsNoiseAtTheLevelGiven) {
  const MomentMatrix noise = matrix(2, 2, {0.25, 0, 0, 0});
  EXPECT_TRUE(standsOutOfNoise(vector({1.0, 0.0}), noise, 0.05));
  EXPECT_FALSE(standsOutOfNoise(vector({1.0, 0.0}), noise, 0.01));
  EXPECT_FALSE(standsOutOfNoise(vector({0.9, 0.0}), noise, 0.05));
  EXPECT_FALSE(standsOutOfNoise(vector({0.9, 5.0}), noise, 0.05));
  EXPECT_TRUE(standsOutOfNoise(vector({0.0, 1e-9}), MomentMatrix::Zero(2, 2), 0.05));
  EXPECT_FALSE(standsOutOfNoise(vector({0.0, 0.0}), MomentMatrix::Zero(2, 2), 0.05));
}

TEST_F(LinearModelTest, AColumnLostInTheNoiseIsNotIdentified) {
  const SandwichErrors e = sandwichErrors(jacobian(), omega.inverse(), omega, 4, ranges, {true, false});
  EXPECT_EQ(e.identified, (std::vector<bool>{true, false}));
  EXPECT_TRUE(std::isnan(e.standardError[1]));
  EXPECT_NEAR(e.standardError[0], std::sqrt(1.25 / 1.5), 1e-9);
}

TEST_F(LinearModelTest, JStatisticAndItsPValue) {
  // g = (1, 2, 0): g'Omega^-1 g = 1 + 1 = 2, over 1 + 1/4 gives 1.6 with
  // 3 - 2 = 1 degree: P(chi2(1) > 1.6) = erfc(sqrt(0.8)).
  const FitTest j = jTest(vector({1.1, 2.2, 0.3}), vector({0.1, 0.2, 0.3}), omega, 4, 2);
  EXPECT_NEAR(j.statistic, 1.6, 1e-12);
  EXPECT_EQ(j.degrees, 1);
  EXPECT_NEAR(j.pValue, std::erfc(std::sqrt(0.8)), 1e-9);
  EXPECT_NEAR(momentTRatio(0.5, 1.5, 4.0, 4), -1.0 / std::sqrt(5.0), 1e-12);
  EXPECT_TRUE(std::isnan(momentTRatio(0.5, 1.5, 0.0, 4)));
}

}  // namespace
}  // namespace vk

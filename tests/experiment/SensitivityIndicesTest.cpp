// The sensitivity estimators against test functions whose indices are known
// analytically, on the designs that feed them: Ishigami (a = 7, b = 0.1) and
// the Sobol G function, without the model.
#include "experiment/SensitivityIndices.h"

#include <cmath>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "experiment/Design.h"
#include "io/RunError.h"

namespace vk {
namespace {

using Function = std::function<double(const std::vector<double>&)>;

const double kPi = std::acos(-1.0);
constexpr int kSamples = 4096;
constexpr int kResamples = 500;

std::vector<double> valuesAt(const std::vector<std::vector<double>>& units, const Function& f) {
  std::vector<double> values;
  for (const std::vector<double>& u : units) values.push_back(f(u));
  return values;
}

// Ishigami on [-pi, pi]^3: sin x1 + a sin^2 x2 + b x3^4 sin x1.
double ishigami(const std::vector<double>& u) {
  const double x1 = -kPi + 2 * kPi * u[0], x2 = -kPi + 2 * kPi * u[1], x3 = -kPi + 2 * kPi * u[2];
  return std::sin(x1) + 7 * std::sin(x2) * std::sin(x2) + 0.1 * std::pow(x3, 4) * std::sin(x1);
}

// The G function: the product of (|4x - 2| + a) / (1 + a); a small a, an
// important factor.
const std::vector<double> kGWeights = {0, 1, 4.5, 9, 99, 99};
double gFunction(const std::vector<double>& u) {
  double g = 1;
  for (std::size_t i = 0; i < kGWeights.size(); ++i) g *= (std::fabs(4 * u[i] - 2) + kGWeights[i]) / (1 + kGWeights[i]);
  return g;
}

struct Analytic {
  std::vector<double> first;
  std::vector<double> total;
};

Analytic ishigamiIndices() {
  const double a = 7, b = 0.1, pi4 = std::pow(kPi, 4), pi8 = std::pow(kPi, 8);
  const double v = a * a / 8 + b * pi4 / 5 + b * b * pi8 / 18 + 0.5;
  const double v1 = 0.5 * (1 + b * pi4 / 5) * (1 + b * pi4 / 5), v2 = a * a / 8, v13 = b * b * pi8 * 8 / 225;
  return {{v1 / v, v2 / v, 0.0}, {(v1 + v13) / v, v2 / v, v13 / v}};
}

Analytic gIndices() {
  std::vector<double> partial;
  double product = 1;
  for (double a : kGWeights) {
    partial.push_back(1 / (3 * (1 + a) * (1 + a)));
    product *= 1 + partial.back();
  }
  Analytic result;
  for (double vi : partial) {
    result.first.push_back(vi / (product - 1));
    result.total.push_back(vi * product / (1 + vi) / (product - 1));
  }
  return result;
}

void expectWithinIntervals(const std::vector<SobolFactor>& indices, const Analytic& truth) {
  ASSERT_EQ(indices.size(), truth.first.size());
  for (std::size_t i = 0; i < indices.size(); ++i) {
    SCOPED_TRACE("factor " + std::to_string(i + 1));
    ASSERT_TRUE(indices[i].first && indices[i].total);
    EXPECT_LE(indices[i].first->low, truth.first[i]);
    EXPECT_GE(indices[i].first->high, truth.first[i]);
    EXPECT_LE(indices[i].total->low, truth.total[i]);
    EXPECT_GE(indices[i].total->high, truth.total[i]);
    // The intervals are tight enough to tell the factors apart.
    EXPECT_LT(indices[i].first->high - indices[i].first->low, 0.1);
    EXPECT_NEAR(indices[i].total->value, truth.total[i], 0.05);
  }
}

TEST(SobolIndices, IshigamiFallsWithinTheIntervalsAtN4096) {
  const std::vector<double> values = valuesAt(saltelliPoints(kSamples, 3, 1), ishigami);
  expectWithinIntervals(sobolIndices(values, 3, kResamples, 7), ishigamiIndices());
}

TEST(SobolIndices, TheGFunctionFallsWithinTheIntervalsAtN4096) {
  const int k = static_cast<int>(kGWeights.size());
  const std::vector<double> values = valuesAt(saltelliPoints(kSamples, k, 3), gFunction);
  expectWithinIntervals(sobolIndices(values, k, kResamples, 7), gIndices());
}

// A metric without variance has no indices, and the same values and seed
// give the same intervals.
TEST(SobolIndices, AConstantMetricHasNoneAndTheBootstrapRepeats) {
  const std::vector<SobolFactor> none = sobolIndices(std::vector<double>(5 * 16, 0.25), 3, 100, 1);
  ASSERT_EQ(none.size(), 3u);
  for (const SobolFactor& f : none) EXPECT_FALSE(f.first || f.total);

  const std::vector<double> values = valuesAt(saltelliPoints(64, 3, 2), ishigami);
  const std::vector<SobolFactor> once = sobolIndices(values, 3, 200, 9), again = sobolIndices(values, 3, 200, 9);
  const std::vector<SobolFactor> other = sobolIndices(values, 3, 200, 10);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(once[i].first->low, again[i].first->low);
    EXPECT_EQ(once[i].total->high, again[i].total->high);
    EXPECT_EQ(once[i].first->value, other[i].first->value);
    EXPECT_NE(once[i].first->low, other[i].first->low);
  }
  EXPECT_THROW(sobolIndices(std::vector<double>(5 * 16 + 1, 0.0), 3, 10, 1), RunError);
}

TEST(MorrisIndices, RankTheGFunctionsFactorsByImportance) {
  const int k = static_cast<int>(kGWeights.size());
  const std::vector<std::vector<double>> units = morrisPoints(200, 4, k, 5);
  const std::vector<MorrisFactor> m = morrisIndices(units, valuesAt(units, gFunction), k, kResamples, 7);
  ASSERT_EQ(m.size(), kGWeights.size());
  for (int i = 0; i + 1 < k; ++i) {
    if (kGWeights[i] == kGWeights[i + 1]) continue;
    EXPECT_GT(m[i].muStar->value, m[i + 1].muStar->value) << "factor " << i + 1;
    // The most important factors are told apart beyond their intervals.
    if (i < 2) EXPECT_GT(m[i].muStar->low, m[i + 1].muStar->high) << "factor " << i + 1;
  }
  for (const MorrisFactor& f : m) {
    EXPECT_LE(f.muStar->low, f.muStar->value);
    EXPECT_GE(f.muStar->high, f.muStar->value);
    EXPECT_LE(std::fabs(f.mu->value), f.muStar->value + 1e-12);
  }
}

// On a linear function every elementary effect is the slope, per whole range.
TEST(MorrisIndices, ALinearFunctionGivesItsSlopesWithNoSpread) {
  const std::vector<std::vector<double>> units = morrisPoints(20, 6, 3, 1);
  const auto linear = [](const std::vector<double>& u) { return 2 * u[0] - 0.5 * u[1]; };
  const std::vector<MorrisFactor> m = morrisIndices(units, valuesAt(units, linear), 3, 100, 1);
  EXPECT_NEAR(m[0].mu->value, 2, 1e-12);
  EXPECT_NEAR(m[1].mu->value, -0.5, 1e-12);
  EXPECT_NEAR(m[1].muStar->value, 0.5, 1e-12);
  EXPECT_NEAR(m[2].muStar->value, 0, 1e-12);
  for (const MorrisFactor& f : m) EXPECT_NEAR(f.sigma->value, 0, 1e-12);
  // One trajectory: no spread can be estimated.
  const std::vector<std::vector<double>> one(units.begin(), units.begin() + 4);
  EXPECT_FALSE(morrisIndices(one, valuesAt(one, linear), 3, 10, 1)[0].sigma);
  // Points that are no trajectory are refused.
  std::vector<std::vector<double>> broken = units;
  broken[1] = broken[0];
  EXPECT_THROW(morrisIndices(broken, valuesAt(broken, linear), 3, 10, 1), RunError);
}

}  // namespace
}  // namespace vk

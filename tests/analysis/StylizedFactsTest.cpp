// The stylized facts of one series: against values computed independently,
// and every way a value becomes undefined.
#include <cmath>
#include <map>

#include <gtest/gtest.h>

#include "analysis/StylizedFacts.h"

namespace vk {
namespace {

// The series and reference values of stylized_facts_reference.py (beside
// this file), which computes them from the textbook formulas in plain Python;
// R's acf(), Box.test(type = "Ljung-Box") and quantile() agree (see there).
const std::vector<double> kChanges = {0.010,  -0.005, 0.000, 0.015,  -0.020, 0.005, 0.005,  -0.010, 0.030,
                                      -0.015, 0.000,  0.010, -0.025, 0.005,  0.020, -0.005, -0.010, 0.000,
                                      0.035,  -0.030, 0.010, 0.005,  -0.005, 0.015, -0.040, 0.020};
const std::vector<double> kVolumes = {0.2, 0.1, 0.0, 0.3, 0.5, 0.1, 0.2, 0.2, 0.6, 0.3, 0.0, 0.2, 0.4,
                                      0.1, 0.5, 0.1, 0.3, 0.1, 0.7, 0.6, 0.2, 0.1, 0.1, 0.4, 0.9, 0.4};

const std::map<std::string, double> kReference = {
    {"n", 26},
    {"mean", 0.00076923076923076923},
    {"std", 0.017303418275695374},
    {"skew", -0.31348320992147682},
    {"excess_kurtosis", -0.056871396991048151},
    {"hill", 4.5265996911358446},
    {"hill_k", 2},
    {"acf_r_1", -0.55788233505624807},
    {"acf_r_2", -0.042148069321982361},
    {"acf_r_10", 0.050129218607479452},
    {"acf_abs_1", 0.10072803908420344},
    {"acf_abs_2", -0.34462113229236513},
    {"acf_abs_10", 0.18224925759172331},
    {"acf_sq_1", 0.095076400679117143},
    {"acf_sq_2", -0.24731182795698925},
    {"acf_sq_10", 0.20316921335597057},
    {"lb_r_q", 20.560490733298845},
    {"lb_r_p", 0.024375535811515126},
    {"lb_sq_q", 14.613036306297325},
    {"lb_sq_p", 0.14681959740290521},
    {"agg4_excess_kurtosis", -1.5714049586776861},
    {"agg13_excess_kurtosis", -2},
    {"leverage", 0.27247980942986777},
    {"volume_abs_corr", 0.97461219360643325},
};

int columnNamed(const std::string& name) {
  for (int c = 0; c < kFactColumns; ++c)
    if (factColumnName(c) == name) return c;
  ADD_FAILURE() << "no column " << name;
  return 0;
}

std::vector<int> undefinedColumns(const FactRow& row) {
  std::vector<int> columns;
  for (int c = 0; c < kFactColumns; ++c)
    if (!row[c]) columns.push_back(c);
  return columns;
}

void expectNear(const FactValue& value, double expected, const std::string& what) {
  ASSERT_TRUE(value.has_value()) << what;
  EXPECT_NEAR(*value, expected, 1e-12 * std::max(1.0, std::fabs(expected))) << what;
}

TEST(StylizedFacts, MatchTheIndependentReference) {
  const FactRow row = stylizedFacts(kChanges, &kVolumes);
  for (const auto& [name, expected] : kReference) expectNear(row[columnNamed(name)], expected, name);
  EXPECT_TRUE(undefinedColumns(row).empty());
  // The actual series has no volumes.
  EXPECT_EQ(undefinedColumns(stylizedFacts(kChanges)), std::vector<int>{kFactVolumeAbsCorr});
}

TEST(StylizedFacts, ColumnsAreNamedInTableOrder) {
  EXPECT_EQ(factColumnName(kFactN), "n");
  EXPECT_EQ(factColumnName(kFactHillK), "hill_k");
  EXPECT_EQ(factColumnName(kFactAcfR), "acf_r_1");
  EXPECT_EQ(factColumnName(kFactAcfAbs - 1), "acf_r_10");
  EXPECT_EQ(factColumnName(kFactAcfAbs), "acf_abs_1");
  EXPECT_EQ(factColumnName(kFactAcfSq + 9), "acf_sq_10");
  EXPECT_EQ(factColumnName(kFactLbRQ), "lb_r_q");
  EXPECT_EQ(factColumnName(kFactAgg13ExcessKurtosis), "agg13_excess_kurtosis");
  EXPECT_EQ(factColumnName(kFactColumns - 1), "volume_abs_corr");
  EXPECT_EQ(kFactColumns, 45);
}

TEST(StylizedFacts, TheChiSquaredTailMatchesItsClosedForm) {
  // exp(-q/2) * sum_{i<5} (q/2)^i / i!, from the reference script.
  EXPECT_NEAR(chiSquaredUpperTail(3.94, 10), 0.95001309079009078, 1e-14);
  EXPECT_NEAR(chiSquaredUpperTail(10.0, 10), 0.4404932850652124, 1e-14);
  EXPECT_NEAR(chiSquaredUpperTail(18.307038053275146, 10), 0.05, 1e-14);
}

TEST(StylizedFacts, TiesInTheTailAreHandledAsDefined) {
  // |y| sorted: 3, 2, 2, 2, 1, 0...; k = 2, u3 = 2: 2 / (ln 1.5 + ln 1).
  expectNear(hillTailIndex({3, -2, 2, -2, 1, 0, 0, 0, 0, 0}), 4.9326069247528634, "ties below the largest");
  // The k largest all equal the threshold: the sum of logs is zero.
  EXPECT_FALSE(hillTailIndex({0.01, -0.01, 0.01, 0.005, 0.0}));
  // A zero threshold: the log of a division by zero.
  EXPECT_FALSE(hillTailIndex({0.02, 0.01, 0.0, 0.0, 0.0}));
  // Three weeks is the least that has a threshold below k = 2 values.
  EXPECT_FALSE(hillTailIndex({0.02, 0.01}));
  expectNear(hillTailIndex({0.04, 0.01, 0.02}), 2 / (std::log(4.0 / 1) + std::log(2.0 / 1)), "three weeks");
  // k grows with n: 40 weeks give k = 4.
  std::vector<double> y(40, 0.01);
  y[0] = 0.08, y[1] = -0.04, y[2] = 0.02, y[3] = 0.02;
  expectNear(hillTailIndex(y), 4 / (std::log(8.0) + std::log(4.0) + 2 * std::log(2.0)), "k = 4");
  EXPECT_EQ(*stylizedFacts(y)[kFactHillK], 4);
}

TEST(StylizedFacts, AConstantSeriesHasNoShapeAndNoCorrelation) {
  // 0.015 is no exact binary fraction: its mean has rounding residue, which
  // must not pass for a spread.
  const std::vector<double> y(30, 0.015);
  const FactRow row = stylizedFacts(y, &kVolumes);
  EXPECT_EQ(*row[kFactMean], 0.015);
  EXPECT_EQ(*row[kFactStd], 0.0);
  EXPECT_EQ(*row[kFactHillK], 3);
  for (int c : {int(kFactSkew), int(kFactExcessKurtosis), int(kFactHill), int(kFactLbRQ), int(kFactLbRP),
                int(kFactLbSqQ), int(kFactLbSqP), int(kFactAgg4ExcessKurtosis), int(kFactAgg13ExcessKurtosis),
                int(kFactLeverage), int(kFactVolumeAbsCorr)})
    EXPECT_FALSE(row[c]) << factColumnName(c);
  for (int h = 0; h < 3 * kAcfLags; ++h) EXPECT_FALSE(row[kFactAcfR + h]) << factColumnName(kFactAcfR + h);

  // Changes of one size with alternating signs: y varies, |y| and y² do not.
  std::vector<double> alternating;
  for (int t = 0; t < 20; ++t) alternating.push_back(t % 2 ? 0.005 : -0.005);
  const FactRow swing = stylizedFacts(alternating);
  expectNear(swing[kFactAcfR], -0.95, "rho(1) = -19/20");
  EXPECT_FALSE(swing[kFactAcfAbs]);
  EXPECT_FALSE(swing[kFactLbSqQ]);
  EXPECT_FALSE(swing[kFactLeverage]);
  EXPECT_FALSE(swing[kFactHill]);
  // Block sums of 4 are all zero.
  EXPECT_FALSE(swing[kFactAgg4ExcessKurtosis]);
}

TEST(StylizedFacts, TooFewWeeksLeaveTheLongerLagsAndBlocksUndefined) {
  const std::vector<double> five(kChanges.begin(), kChanges.begin() + 5);
  const FactRow row = stylizedFacts(five, &kVolumes);
  for (int h = 1; h <= kAcfLags; ++h) EXPECT_EQ(row[kFactAcfR + h - 1].has_value(), h <= 4) << "lag " << h;
  EXPECT_FALSE(row[kFactLbRQ]);
  EXPECT_FALSE(row[kFactLbRP]);
  EXPECT_FALSE(row[kFactAgg4ExcessKurtosis]);  // one block of 4
  EXPECT_FALSE(row[kFactAgg13ExcessKurtosis]);
  EXPECT_FALSE(row[kFactVolumeAbsCorr]);  // five changes, 26 volumes
  EXPECT_TRUE(row[kFactLeverage]);

  // Two blocks of 4 (the ninth week is dropped): two values have kurtosis 1.
  const std::vector<double> nine(kChanges.begin(), kChanges.begin() + 9);
  EXPECT_EQ(blockSums(nine, 4).size(), 2u);
  expectNear(stylizedFacts(nine)[kFactAgg4ExcessKurtosis], -2.0, "two blocks");
  // Eleven weeks are the fewest with all ten lags.
  const std::vector<double> eleven(kChanges.begin(), kChanges.begin() + 11);
  EXPECT_TRUE(stylizedFacts(eleven)[kFactLbRP]);
  EXPECT_FALSE(stylizedFacts(std::vector<double>(kChanges.begin(), kChanges.begin() + 10))[kFactLbRP]);

  const FactRow one = stylizedFacts({0.01});
  EXPECT_EQ(*one[kFactN], 1);
  EXPECT_EQ(*one[kFactStd], 0.0);
  EXPECT_FALSE(one[kFactHillK]);
  EXPECT_FALSE(one[kFactLeverage]);
  const FactRow none = stylizedFacts({});
  EXPECT_EQ(*none[kFactN], 0);
  EXPECT_EQ(undefinedColumns(none).size(), static_cast<std::size_t>(kFactColumns - 1));
}

TEST(StylizedFacts, HugeChangesGiveUndefinedValuesNeverInfinite) {
  std::vector<double> y = kChanges;
  y[3] = 1e200;  // y² overflows
  const FactRow row = stylizedFacts(y, &kVolumes);
  for (const FactValue& v : row) EXPECT_TRUE(!v || std::isfinite(*v));
  EXPECT_TRUE(row[kFactMean]);
  EXPECT_TRUE(row[kFactHill]);
  // The squared deviations overflow: no autocorrelation, rather than a false 0.
  EXPECT_FALSE(row[kFactAcfR]);
  EXPECT_FALSE(row[kFactAcfSq]);
  EXPECT_FALSE(row[kFactLeverage]);
}

TEST(StylizedFacts, PercentilesInterpolateBetweenOrderStatistics) {
  // R: quantile(c(0.7, -0.2, 0.4, 1.0, 0.1), c(0.1, 0.5, 0.9)), from the reference script.
  const std::vector<double> s = {0.7, -0.2, 0.4, 1.0, 0.1};
  expectNear(percentile(s, 0.1), -0.08, "p10");
  expectNear(percentile(s, 0.5), 0.4, "median");
  expectNear(percentile(s, 0.9), 0.88, "p90");
  expectNear(percentile({2.0, 1.0}, 0.5), 1.5, "even count");
  expectNear(percentile({3.0}, 0.9), 3.0, "one value");
  EXPECT_FALSE(percentile({}, 0.5));
}

}  // namespace
}  // namespace vk

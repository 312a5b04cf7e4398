#pragma once
// The stylized facts of a series of weekly changes y1..yn: its moments, the
// tail index of |y|, the autocorrelations of y, |y| and y², the Ljung-Box
// tests, the kurtosis of aggregated changes, the leverage correlation and,
// for a simulated path, the correlation of volume with |change|.
//
// With y_bar = sum(y) / n and m_k = sum((y - y_bar)^k) / n:
//   std = sqrt(m2), skew = m3 / m2^1.5, excess kurtosis = m4 / m2^2 - 3;
//   rho(h) = sum_{t=1..n-h} (y_t - y_bar)(y_{t+h} - y_bar) / sum_t (y_t - y_bar)^2;
//   Ljung-Box Q = n (n + 2) sum_{h=1..10} rho(h)^2 / (n - h), p from chi-squared(10);
//   hill = k / sum_{i=1..k} ln(u_i / u_{k+1}), u the |y| sorted descending,
//          k = max(2, floor(n / 10)).
//
// A value whose definition divides by zero, takes the log of zero or needs
// more weeks than there are is undefined (an empty FactValue), never
// infinite. A series whose values are all equal counts as constant exactly:
// its deviations are taken as zero, not as the rounding residue of its mean.
#include <array>
#include <optional>
#include <string>
#include <vector>

namespace vk {

constexpr int kAcfLags = 10;

// The columns of a row of facts, in the order the facts table writes them.
enum FactColumn : int {
  kFactN,
  kFactMean,
  kFactStd,
  kFactSkew,
  kFactExcessKurtosis,
  kFactHill,
  kFactHillK,
  kFactAcfR,                            // acf_r_1 .. acf_r_10
  kFactAcfAbs = kFactAcfR + kAcfLags,   // acf_abs_1 .. acf_abs_10
  kFactAcfSq = kFactAcfAbs + kAcfLags,  // acf_sq_1 .. acf_sq_10
  kFactLbRQ = kFactAcfSq + kAcfLags,
  kFactLbRP,
  kFactLbSqQ,
  kFactLbSqP,
  kFactAgg4ExcessKurtosis,
  kFactAgg13ExcessKurtosis,
  kFactLeverage,
  kFactVolumeAbsCorr,
  kFactColumns
};

using FactValue = std::optional<double>;
using FactRow = std::array<FactValue, kFactColumns>;

// The column's name in the facts table: "n", "mean", ..., "acf_r_1", ...
std::string factColumnName(int column);

// The scalar facts as a reader is shown them, in the order of the facts
// window's table: the column, its label, and what the fact says about a
// market in one line.
struct ScalarFact {
  int column;
  const char* label;
  const char* explanation;
};
const std::vector<ScalarFact>& scalarFacts();

// The facts of the changes y. volumes: the traded volume of each week, for a
// simulated path; without them volume_abs_corr is undefined.
FactRow stylizedFacts(const std::vector<double>& y, const std::vector<double>* volumes = nullptr);

// The building blocks, open for tests.
FactValue excessKurtosis(const std::vector<double>& y);
FactValue autocorrelation(const std::vector<double>& y, int lag);
FactValue hillTailIndex(const std::vector<double>& y);
FactValue pearson(const std::vector<double>& a, const std::vector<double>& b);
// Sums of consecutive blocks of `weeks` values from the first; an incomplete
// last block is dropped.
std::vector<double> blockSums(const std::vector<double>& y, int weeks);
// The upper tail of chi-squared with `degrees` degrees of freedom at q.
double chiSquaredUpperTail(double q, int degrees);

// The p-quantile of the values by linear interpolation between order
// statistics (R's type 7, numpy's default): with the values sorted v_1..v_m
// and h = (m - 1) p, v_{floor h + 1} + (h - floor h)(v_{floor h + 2} - v_{floor h + 1}).
// Undefined for no values.
FactValue percentile(std::vector<double> values, double p);

}  // namespace vk

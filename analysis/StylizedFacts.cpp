#include "analysis/StylizedFacts.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include <boost/math/distributions/chi_squared.hpp>

namespace vk {

namespace {

constexpr int kLjungBoxLags = kAcfLags;
constexpr int kShortBlock = 4;
constexpr int kLongBlock = 13;

FactValue defined(double x) { return std::isfinite(x) ? FactValue(x) : FactValue(); }

bool allEqual(const std::vector<double>& y) {
  return std::all_of(y.begin(), y.end(), [&y](double v) { return v == y.front(); });
}

// Of a series of at least one value; exact for a constant series, whose sum
// would carry rounding residue.
double mean(const std::vector<double>& y) {
  if (allEqual(y)) return y.front();
  double sum = 0.0;
  for (double v : y) sum += v;
  return sum / static_cast<double>(y.size());
}

// y - y_bar, exactly zero for a constant series.
std::vector<double> centred(const std::vector<double>& y) {
  if (y.empty()) return {};
  const double m = mean(y);
  std::vector<double> d(y.size());
  for (std::size_t t = 0; t < y.size(); ++t) d[t] = y[t] - m;
  return d;
}

double centralMoment(const std::vector<double>& d, int k) {
  double sum = 0.0;
  for (double v : d) sum += std::pow(v, k);
  return sum / static_cast<double>(d.size());
}

double sumOfSquares(const std::vector<double>& d) {
  double sum = 0.0;
  for (double v : d) sum += v * v;
  return sum;
}

std::vector<double> transformed(const std::vector<double>& y, const std::function<double(double)>& f) {
  std::vector<double> out(y.size());
  std::transform(y.begin(), y.end(), out.begin(), f);
  return out;
}

double absolute(double v) { return std::fabs(v); }
double square(double v) { return v * v; }

void fillAutocorrelations(const std::vector<double>& y, FactRow& row, int firstColumn) {
  for (int h = 1; h <= kAcfLags; ++h) row[firstColumn + h - 1] = autocorrelation(y, h);
}

// Q and p over the ten autocorrelations starting at firstColumn; undefined
// unless all ten are.
void fillLjungBox(const FactRow& row, int firstColumn, std::size_t n, FactValue& q, FactValue& p) {
  const double weeks = static_cast<double>(n);
  double sum = 0.0;
  for (int h = 1; h <= kLjungBoxLags; ++h) {
    const FactValue& rho = row[firstColumn + h - 1];
    if (!rho) return;
    sum += *rho * *rho / (weeks - h);
  }
  q = defined(weeks * (weeks + 2) * sum);
  if (q) p = defined(chiSquaredUpperTail(*q, kLjungBoxLags));
}

FactValue aggregatedExcessKurtosis(const std::vector<double>& y, int weeks) {
  const std::vector<double> sums = blockSums(y, weeks);
  if (sums.size() < 2) return {};
  return excessKurtosis(sums);
}

FactValue leverage(const std::vector<double>& y) {
  if (y.size() < 2) return {};
  const std::vector<double> now(y.begin(), y.end() - 1);
  const std::vector<double> nextSize = transformed(std::vector<double>(y.begin() + 1, y.end()), absolute);
  return pearson(now, nextSize);
}

}  // namespace

std::string factColumnName(int column) {
  static const char* const kScalarNames[] = {"n", "mean", "std", "skew", "excess_kurtosis", "hill", "hill_k"};
  static const char* const kTailNames[] = {
      "lb_r_q",   "lb_r_p",         "lb_sq_q", "lb_sq_p", "agg4_excess_kurtosis", "agg13_excess_kurtosis",
      "leverage", "volume_abs_corr"};
  if (column < kFactAcfR) return kScalarNames[column];
  if (column < kFactLbRQ) {
    static const char* const kAcfNames[] = {"acf_r_", "acf_abs_", "acf_sq_"};
    const int group = (column - kFactAcfR) / kAcfLags;
    return kAcfNames[group] + std::to_string((column - kFactAcfR) % kAcfLags + 1);
  }
  return kTailNames[column - kFactLbRQ];
}

const std::vector<ScalarFact>& scalarFacts() {
  static const std::vector<ScalarFact> facts = {
      {kFactN, "Weeks", "How many weekly changes each path's facts are taken over."},
      {kFactMean, "Mean", "The average weekly change of the log rate."},
      {kFactStd, "Standard deviation", "How widely the weekly changes spread around their mean: the volatility."},
      {kFactSkew, "Skewness", "Whether large changes are more often rises (above 0) or falls (below 0)."},
      {kFactExcessKurtosis, "Excess kurtosis",
       "How much fatter the tails of the changes are than a normal distribution's (0 for a normal one)."},
      {kFactHill, "Tail index (Hill)", "How fast the largest changes thin out: the smaller, the heavier the tail."},
      {kFactLbRP, "Ljung-Box p, changes",
       "The chance of autocorrelations at lags 1-10 as large as these in changes that have none: small means "
       "predictable."},
      {kFactLbSqP, "Ljung-Box p, squares",
       "The same for the squared changes: small means calm and turbulent weeks come in clusters."},
      {kFactAgg4ExcessKurtosis, "Excess kurtosis, 4 weeks",
       "The fat tails of changes over 4 weeks: they usually fade as the changes are added up."},
      {kFactAgg13ExcessKurtosis, "Excess kurtosis, 13 weeks", "The same over 13 weeks, a quarter of a year."},
      {kFactLeverage, "Leverage",
       "The correlation of a week's change with the size of the next week's: below 0 when falls bring "
       "turbulence."},
      {kFactVolumeAbsCorr, "Volume and |change|",
       "The correlation of the traded volume with the size of the change in the same week."},
  };
  return facts;
}

FactValue excessKurtosis(const std::vector<double>& y) {
  if (y.empty()) return {};
  const std::vector<double> d = centred(y);
  const double m2 = centralMoment(d, 2);
  if (m2 == 0.0) return {};
  return defined(centralMoment(d, 4) / (m2 * m2) - 3.0);
}

FactValue autocorrelation(const std::vector<double>& y, int lag) {
  const std::size_t h = static_cast<std::size_t>(lag);
  if (lag < 1 || y.size() < h + 1) return {};
  const std::vector<double> d = centred(y);
  const double denominator = sumOfSquares(d);
  // An overflowing denominator would pass a wrong 0 for a value.
  if (denominator == 0.0 || !std::isfinite(denominator)) return {};
  double numerator = 0.0;
  for (std::size_t t = 0; t + h < d.size(); ++t) numerator += d[t] * d[t + h];
  return defined(numerator / denominator);
}

FactValue hillTailIndex(const std::vector<double>& y) {
  const std::size_t n = y.size();
  const std::size_t k = std::max<std::size_t>(2, n / 10);
  if (n < k + 1) return {};
  std::vector<double> u = transformed(y, absolute);
  // Only the k + 1 largest matter, in descending order.
  std::partial_sort(u.begin(), u.begin() + static_cast<std::ptrdiff_t>(k + 1), u.end(), std::greater<double>());
  const double threshold = u[k];
  if (threshold == 0.0) return {};
  double sum = 0.0;
  for (std::size_t i = 0; i < k; ++i) sum += std::log(u[i] / threshold);
  if (sum == 0.0) return {};
  return defined(static_cast<double>(k) / sum);
}

FactValue pearson(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.empty() || a.size() != b.size()) return {};
  const std::vector<double> da = centred(a), db = centred(b);
  double cross = 0.0;
  for (std::size_t t = 0; t < da.size(); ++t) cross += da[t] * db[t];
  const double scale = std::sqrt(sumOfSquares(da) * sumOfSquares(db));
  if (scale == 0.0 || !std::isfinite(scale)) return {};
  return defined(cross / scale);
}

std::vector<double> blockSums(const std::vector<double>& y, int weeks) {
  std::vector<double> sums;
  const std::size_t size = static_cast<std::size_t>(weeks);
  for (std::size_t start = 0; start + size <= y.size(); start += size) {
    double sum = 0.0;
    for (std::size_t t = start; t < start + size; ++t) sum += y[t];
    sums.push_back(sum);
  }
  return sums;
}

double chiSquaredUpperTail(double q, int degrees) {
  const boost::math::chi_squared_distribution<double> chi(degrees);
  return boost::math::cdf(boost::math::complement(chi, q));
}

FactValue percentile(std::vector<double> values, double p) {
  if (values.empty()) return {};
  std::sort(values.begin(), values.end());
  const double h = static_cast<double>(values.size() - 1) * p;
  const std::size_t low = static_cast<std::size_t>(std::floor(h));
  if (low + 1 >= values.size()) return values[low];
  return values[low] + (h - static_cast<double>(low)) * (values[low + 1] - values[low]);
}

FactRow stylizedFacts(const std::vector<double>& y, const std::vector<double>* volumes) {
  FactRow row;
  const std::size_t n = y.size();
  row[kFactN] = static_cast<double>(n);
  if (n > 0) {
    const std::vector<double> d = centred(y);
    const double m2 = centralMoment(d, 2);
    row[kFactMean] = defined(mean(y));
    row[kFactStd] = defined(std::sqrt(m2));
    if (m2 > 0.0) row[kFactSkew] = defined(centralMoment(d, 3) / std::pow(m2, 1.5));
    row[kFactExcessKurtosis] = excessKurtosis(y);
  }
  row[kFactHill] = hillTailIndex(y);
  if (n >= 3) row[kFactHillK] = static_cast<double>(std::max<std::size_t>(2, n / 10));

  const std::vector<double> sizes = transformed(y, absolute);
  const std::vector<double> squares = transformed(y, square);
  fillAutocorrelations(y, row, kFactAcfR);
  fillAutocorrelations(sizes, row, kFactAcfAbs);
  fillAutocorrelations(squares, row, kFactAcfSq);
  fillLjungBox(row, kFactAcfR, n, row[kFactLbRQ], row[kFactLbRP]);
  fillLjungBox(row, kFactAcfSq, n, row[kFactLbSqQ], row[kFactLbSqP]);

  row[kFactAgg4ExcessKurtosis] = aggregatedExcessKurtosis(y, kShortBlock);
  row[kFactAgg13ExcessKurtosis] = aggregatedExcessKurtosis(y, kLongBlock);
  row[kFactLeverage] = leverage(y);
  if (volumes) row[kFactVolumeAbsCorr] = pearson(*volumes, sizes);
  return row;
}

}  // namespace vk

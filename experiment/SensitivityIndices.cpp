#include "experiment/SensitivityIndices.h"

#include <algorithm>
#include <cmath>

#include "analysis/StylizedFacts.h"
#include "io/RunError.h"
#include "io/SplitMix.h"

namespace vk {

namespace {

// The estimate of one index and its draws over the bootstrap resamples.
class Draws {
 public:
  explicit Draws(int resamples) { draws_.reserve(static_cast<std::size_t>(resamples)); }
  void add(double draw) {
    if (std::isfinite(draw)) draws_.push_back(draw);
  }
  Index estimate(double value) const {
    if (!std::isfinite(value)) return std::nullopt;
    IndexEstimate e;
    e.value = value;
    e.low = percentile(draws_, 0.025).value_or(value);
    e.high = percentile(draws_, 0.975).value_or(value);
    return e;
  }

 private:
  std::vector<double> draws_;
};

// The sample numbers of one bootstrap resample: n drawn with replacement.
void resample(SplitMixRandom& random, std::vector<std::size_t>& picks) {
  const std::size_t n = picks.size();
  for (std::size_t& p : picks) p = static_cast<std::size_t>(random.below(n));
}

bool allEqual(const std::vector<double>& values) {
  return std::adjacent_find(values.begin(), values.end(), std::not_equal_to<double>()) == values.end();
}

// The Saltelli design's values of one sample, centred on the mean of all
// values (the first-order estimator is not invariant to a shift of f, and is
// least noisy about the mean).
struct SobolSample {
  double a = 0;
  double b = 0;
  std::vector<double> ab;
};

struct SobolSums {
  explicit SobolSums(int factors) : first(factors, 0.0), total(factors, 0.0) {}
  double squares = 0;
  double sum = 0;
  std::vector<double> first;
  std::vector<double> total;
  void add(const SobolSample& s) {
    sum += s.a + s.b;
    squares += s.a * s.a + s.b * s.b;
    for (std::size_t i = 0; i < first.size(); ++i) {
      first[i] += s.b * (s.ab[i] - s.a);
      total[i] += (s.a - s.ab[i]) * (s.a - s.ab[i]);
    }
  }
  // The variance of the 2n values of f(A) and f(B), divisor 2n.
  double variance(std::size_t n) const {
    const double m = sum / (2.0 * n);
    return squares / (2.0 * n) - m * m;
  }
  double firstOrder(int i, std::size_t n) const { return first[i] / n / variance(n); }
  double totalOrder(int i, std::size_t n) const { return total[i] / (2.0 * n) / variance(n); }
};

std::vector<SobolSample> sobolSamples(const std::vector<double>& values, int factors) {
  const std::size_t width = static_cast<std::size_t>(factors) + 2;
  if (factors < 1 || values.size() % width != 0 || values.size() / width < 2)
    throw RunError("a saltelli design of " + std::to_string(factors) + " factors needs a multiple of " +
                   std::to_string(width) + " values, at least two samples; there are " + std::to_string(values.size()));
  double mean = 0;
  for (double v : values) mean += v;
  mean /= static_cast<double>(values.size());
  std::vector<SobolSample> samples(values.size() / width);
  for (std::size_t j = 0; j < samples.size(); ++j) {
    const double* f = &values[j * width];
    samples[j].a = f[0] - mean;
    for (int i = 0; i < factors; ++i) samples[j].ab.push_back(f[1 + i] - mean);
    samples[j].b = f[factors + 1] - mean;
  }
  return samples;
}

// The elementary effects of every trajectory, effects[t][factor].
std::vector<std::vector<double>> elementaryEffects(const std::vector<std::vector<double>>& units,
                                                   const std::vector<double>& values, int factors) {
  const std::size_t length = static_cast<std::size_t>(factors) + 1;
  if (factors < 1 || units.size() != values.size() || values.size() % length != 0 || values.empty())
    throw RunError("a morris design of " + std::to_string(factors) + " factors needs whole trajectories of " +
                   std::to_string(length) + " points; there are " + std::to_string(values.size()) + " values");
  std::vector<std::vector<double>> effects(values.size() / length, std::vector<double>(factors, NAN));
  for (std::size_t t = 0; t < effects.size(); ++t) {
    for (std::size_t s = 1; s < length; ++s) {
      const std::vector<double>& before = units[t * length + s - 1];
      const std::vector<double>& after = units[t * length + s];
      int moved = -1;
      for (int i = 0; i < factors; ++i)
        if (before[i] != after[i]) moved = moved < 0 ? i : factors;
      if (moved < 0 || moved == factors || !std::isnan(effects[t][moved]))
        throw RunError("trajectory " + std::to_string(t) + ", step " + std::to_string(s) +
                       " does not move one new factor alone");
      effects[t][moved] = (values[t * length + s] - values[t * length + s - 1]) / (after[moved] - before[moved]);
    }
  }
  return effects;
}

struct MorrisMoments {
  double mu = 0;
  double muStar = 0;
  double sigma = NAN;
};

MorrisMoments morrisMoments(const std::vector<std::vector<double>>& effects, const std::vector<std::size_t>& picks,
                            int factor) {
  MorrisMoments m;
  const double r = static_cast<double>(picks.size());
  for (std::size_t t : picks) {
    m.mu += effects[t][factor];
    m.muStar += std::fabs(effects[t][factor]);
  }
  m.mu /= r;
  m.muStar /= r;
  if (picks.size() < 2) return m;
  double squares = 0;
  for (std::size_t t : picks) squares += (effects[t][factor] - m.mu) * (effects[t][factor] - m.mu);
  m.sigma = std::sqrt(squares / (r - 1));
  return m;
}

}  // namespace

std::vector<SobolFactor> sobolIndices(const std::vector<double>& values, int factors, int resamples,
                                      std::uint64_t seed) {
  const std::vector<SobolSample> samples = sobolSamples(values, factors);
  std::vector<SobolFactor> result(factors);
  if (allEqual(values)) return result;
  const std::size_t n = samples.size();
  SobolSums whole(factors);
  for (const SobolSample& s : samples) whole.add(s);

  std::vector<Draws> first(factors, Draws(resamples)), total(factors, Draws(resamples));
  SplitMixRandom random(seed);
  std::vector<std::size_t> picks(n);
  for (int b = 0; b < resamples; ++b) {
    resample(random, picks);
    SobolSums sums(factors);
    for (std::size_t j : picks) sums.add(samples[j]);
    for (int i = 0; i < factors; ++i) {
      first[i].add(sums.firstOrder(i, n));
      total[i].add(sums.totalOrder(i, n));
    }
  }
  for (int i = 0; i < factors; ++i) {
    result[i].first = first[i].estimate(whole.firstOrder(i, n));
    result[i].total = total[i].estimate(whole.totalOrder(i, n));
  }
  return result;
}

std::vector<MorrisFactor> morrisIndices(const std::vector<std::vector<double>>& units,
                                        const std::vector<double>& values, int factors, int resamples,
                                        std::uint64_t seed) {
  const std::vector<std::vector<double>> effects = elementaryEffects(units, values, factors);
  std::vector<std::size_t> all(effects.size());
  for (std::size_t t = 0; t < all.size(); ++t) all[t] = t;

  std::vector<Draws> mu(factors, Draws(resamples)), muStar(factors, Draws(resamples)), sigma(factors, Draws(resamples));
  SplitMixRandom random(seed);
  std::vector<std::size_t> picks(effects.size());
  for (int b = 0; b < resamples; ++b) {
    resample(random, picks);
    for (int i = 0; i < factors; ++i) {
      const MorrisMoments m = morrisMoments(effects, picks, i);
      mu[i].add(m.mu);
      muStar[i].add(m.muStar);
      sigma[i].add(m.sigma);
    }
  }
  std::vector<MorrisFactor> result(factors);
  for (int i = 0; i < factors; ++i) {
    const MorrisMoments m = morrisMoments(effects, all, i);
    result[i].mu = mu[i].estimate(m.mu);
    result[i].muStar = muStar[i].estimate(m.muStar);
    result[i].sigma = sigma[i].estimate(m.sigma);
  }
  return result;
}

}  // namespace vk

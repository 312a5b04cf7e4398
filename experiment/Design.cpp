#include "experiment/Design.h"

#include <cmath>
#include <cstdint>

#include "io/SplitMix.h"
#include "io/TextFormat.h"
#include "io/TextReader.h"
#include "run/ParameterFile.h"

namespace vk {

namespace {

constexpr double kMaxPoints = 1000000;

// Direction numbers of the Sobol sequence for dimensions 2..20 (the first
// takes every m = 1): the degree s, the coefficients a and m_1..m_s of the
// primitive polynomials, as S. Joe and F. Y. Kuo tabulate them.
struct SobolPolynomial {
  int s;
  unsigned a;
  unsigned m[7];
};
const SobolPolynomial kSobolPolynomials[kMaxSobolDimensions - 1] = {{1, 0, {1}},
                                                                    {2, 1, {1, 3}},
                                                                    {3, 1, {1, 3, 1}},
                                                                    {3, 2, {1, 1, 1}},
                                                                    {4, 1, {1, 1, 3, 3}},
                                                                    {4, 4, {1, 3, 5, 13}},
                                                                    {5, 2, {1, 1, 5, 5, 17}},
                                                                    {5, 4, {1, 1, 5, 5, 5}},
                                                                    {5, 7, {1, 1, 7, 11, 19}},
                                                                    {5, 11, {1, 1, 5, 1, 1}},
                                                                    {5, 13, {1, 1, 1, 3, 11}},
                                                                    {5, 14, {1, 3, 5, 5, 31}},
                                                                    {6, 1, {1, 3, 3, 9, 7, 49}},
                                                                    {6, 13, {1, 1, 1, 15, 21, 21}},
                                                                    {6, 16, {1, 3, 1, 13, 27, 49}},
                                                                    {6, 19, {1, 1, 1, 15, 7, 5}},
                                                                    {6, 22, {1, 3, 1, 15, 13, 25}},
                                                                    {6, 25, {1, 1, 5, 5, 19, 61}},
                                                                    {7, 1, {1, 3, 7, 11, 23, 15, 103}}};

std::vector<std::uint32_t> directionNumbers(int dimension) {
  std::vector<std::uint32_t> v(33);
  if (dimension == 0) {
    for (int k = 1; k <= 32; ++k) v[k] = 1u << (32 - k);
    return v;
  }
  const SobolPolynomial& p = kSobolPolynomials[dimension - 1];
  for (int k = 1; k <= 32; ++k) {
    if (k <= p.s) {
      v[k] = p.m[k - 1] << (32 - k);
      continue;
    }
    v[k] = v[k - p.s] ^ (v[k - p.s] >> p.s);
    for (int j = 1; j < p.s; ++j)
      if ((p.a >> (p.s - 1 - j)) & 1u) v[k] ^= v[k - j];
  }
  return v;
}

// The text para.txt holds for the value of a numeric parameter.
std::string parameterTextOf(const std::string& name, double value) {
  const ParameterField& field = *findParameter(name);
  Parameters p;
  if (field.kind == ParameterKind::Whole)
    p.*field.whole = static_cast<int>(value);
  else
    p.*field.real = value;
  return parameterText(p, field);
}

std::string shortNumber(double v) { return general(v, 10); }

void refuseTooLarge(const Description& d, const VaryEntry& entry, double value, SourcePlace place) {
  if (std::fabs(value) > 2147483647.0)
    failAt(d, place, "vary." + entry.name + ": " + shortNumber(value) + " is too large");
}

// The text para.txt will hold for a listed value; refused when it would not
// give the value back, as the value was written on purpose.
std::string exactText(const Description& d, const VaryEntry& entry, double value, SourcePlace place) {
  refuseTooLarge(d, entry, value, place);
  const std::string text = parameterTextOf(entry.name, value);
  double back = 0;
  parseReal(text, back);
  if (std::fabs(back - value) > 1e-9 * std::max(1.0, std::fabs(value)))
    failAt(d, place,
           "vary." + entry.name + ": " + shortNumber(value) +
               " cannot be written into para.txt, which keeps "
               "five decimals (it would become " +
               text + ")");
  return text;
}

// A range value as para.txt will hold it: a real at five decimals, a whole
// number to the nearest, as sampled values are.
std::string roundedText(const Description& d, const VaryEntry& entry, double value) {
  refuseTooLarge(d, entry, value, entry.place);
  return parameterTextOf(entry.name, entry.integer ? std::round(value) : value);
}

std::string sampledText(const VaryEntry& entry, double unit) {
  const double low = std::min(entry.from, entry.to);
  const double high = std::max(entry.from, entry.to);
  if (entry.integer) {
    double value = low + std::floor(unit * (high - low + 1));
    if (value > high) value = high;
    return parameterTextOf(entry.name, value);
  }
  return parameterTextOf(entry.name, low + unit * (high - low));
}

}  // namespace

std::vector<std::string> gridValues(const Description& d, const VaryEntry& entry) {
  if (entry.kind != VaryKind::Parameter) return entry.names;
  std::vector<std::string> values;
  if (!entry.isRange) {
    for (std::size_t i = 0; i < entry.numbers.size(); ++i)
      values.push_back(exactText(d, entry, entry.numbers[i], entry.numberPlaces[i]));
    return values;
  }
  // The last value is `to` itself, not the sum of the steps.
  const auto step = [&entry](int k) {
    return k == entry.steps ? entry.to : entry.from + (entry.to - entry.from) * k / entry.steps;
  };
  for (int k = 0; k <= entry.steps; ++k) {
    values.push_back(roundedText(d, entry, step(k)));
    if (k > 0 && values[k] == values[k - 1])
      failAt(d, entry.place,
             "vary." + entry.name + ": the range's values " + shortNumber(step(k - 1)) + " and " +
                 shortNumber(step(k)) + " both become " + values[k] + " in para.txt, which keeps " +
                 (entry.integer ? "whole numbers" : "five decimals") + "; give fewer steps");
  }
  return values;
}

std::vector<std::vector<double>> latinHypercube(int samples, int dimensions, ExperimentSeed seed) {
  SplitMixRandom random(seed);
  std::vector<std::vector<double>> points(samples, std::vector<double>(dimensions));
  std::vector<int> slices(samples);
  for (int dim = 0; dim < dimensions; ++dim) {
    for (int i = 0; i < samples; ++i) slices[i] = i;
    for (int i = samples - 1; i > 0; --i) std::swap(slices[i], slices[random.below(static_cast<std::uint64_t>(i) + 1)]);
    for (int i = 0; i < samples; ++i) {
      const double u = (slices[i] + random.unit()) / samples;
      // Rounding must not push a point out of its slice or to 1.
      points[i][dim] = std::min(u, std::nextafter((slices[i] + 1.0) / samples, 0.0));
    }
  }
  return points;
}

std::vector<std::vector<double>> sobolPoints(int samples, int dimensions, ExperimentSeed seed) {
  SplitMixRandom random(seed);
  std::vector<std::vector<double>> points(samples, std::vector<double>(dimensions));
  for (int dim = 0; dim < dimensions; ++dim) {
    const std::vector<std::uint32_t> v = directionNumbers(dim);
    const std::uint32_t shift = seed == 0 ? 0u : static_cast<std::uint32_t>(random.next() >> 32);
    for (int i = 0; i < samples; ++i) {
      std::uint32_t x = 0;
      for (int bit = 0; bit < 32; ++bit)
        if ((static_cast<std::uint32_t>(i) >> bit) & 1u) x ^= v[bit + 1];
      points[i][dim] = static_cast<double>(x ^ shift) * 0x1p-32;
    }
  }
  return points;
}

std::vector<std::vector<double>> saltelliPoints(int samples, int factors, ExperimentSeed seed) {
  const std::vector<std::vector<double>> sobol = sobolPoints(samples, 2 * factors, seed);
  std::vector<std::vector<double>> points;
  points.reserve(static_cast<std::size_t>(samples) * (factors + 2));
  for (const std::vector<double>& row : sobol) {
    const std::vector<double> a(row.begin(), row.begin() + factors);
    const std::vector<double> b(row.begin() + factors, row.end());
    points.push_back(a);
    for (int i = 0; i < factors; ++i) {
      points.push_back(a);
      points.back()[i] = b[i];
    }
    points.push_back(b);
  }
  return points;
}

std::vector<std::vector<double>> morrisPoints(int trajectories, int levels, int factors, ExperimentSeed seed) {
  SplitMixRandom random(seed);
  const int jump = levels / 2;  // delta in grid steps
  const double step = 1.0 / (levels - 1);
  std::vector<std::vector<double>> points;
  points.reserve(static_cast<std::size_t>(trajectories) * (factors + 1));
  std::vector<int> level(factors), order(factors);
  for (int t = 0; t < trajectories; ++t) {
    for (int i = 0; i < factors; ++i) {
      level[i] = static_cast<int>(random.below(static_cast<std::uint64_t>(levels)));
      order[i] = i;
    }
    for (int i = factors - 1; i > 0; --i) std::swap(order[i], order[random.below(static_cast<std::uint64_t>(i) + 1)]);
    const auto unitOf = [&] {
      std::vector<double> unit(factors);
      for (int i = 0; i < factors; ++i) unit[i] = level[i] * step;
      return unit;
    };
    points.push_back(unitOf());
    for (int i : order) {
      level[i] += level[i] + jump <= levels - 1 ? jump : -jump;
      points.push_back(unitOf());
    }
  }
  return points;
}

std::string designWarning(const Description& d) {
  const bool sobol = d.design == DesignKind::Sobol || d.design == DesignKind::Saltelli;
  if (!sobol || (d.samples & (d.samples - 1)) == 0) return "";
  int power = 1;
  while (power < d.samples) power *= 2;
  return std::string("design.samples = ") + std::to_string(d.samples) + " is not a power of two: the " +
         designWord(d.design) + " design's Sobol points are balanced only in blocks of powers of two (" +
         std::to_string(power / 2) + " or " + std::to_string(power) + " would be)";
}

std::vector<std::vector<double>> designUnits(const Description& d) {
  const int dimensions = static_cast<int>(d.vary.size());
  const int most = d.design == DesignKind::Saltelli ? kMaxSaltelliFactors : kMaxSobolDimensions;
  const bool sobol = d.design == DesignKind::Sobol || d.design == DesignKind::Saltelli;
  if (sobol && dimensions > most)
    failAt(d, d.vary.back().place,
           std::string("the design ") + designWord(d.design) + " varies at most " + std::to_string(most) + " ranges");
  const double count = d.design == DesignKind::Saltelli ? double(d.samples) * (dimensions + 2)
                       : d.design == DesignKind::Morris ? double(d.trajectories) * (dimensions + 1)
                                                        : d.samples;
  if (count > kMaxPoints)
    failAt(d, d.vary.front().place,
           std::string("the design ") + designWord(d.design) + " has " + shortNumber(count) +
               " points; an experiment has at most 1000000");
  switch (d.design) {
    case DesignKind::Sobol:
      return sobolPoints(d.samples, dimensions, d.designSeed);
    case DesignKind::Saltelli:
      return saltelliPoints(d.samples, dimensions, d.designSeed);
    case DesignKind::Morris:
      return morrisPoints(d.trajectories, d.levels, dimensions, d.designSeed);
    default:
      return latinHypercube(d.samples, dimensions, d.designSeed);
  }
}

DesignPoints::DesignPoints(const Description& d) : vary_(d.vary) {
  if (d.design == DesignKind::Listed) {
    listed_ = d.listedPoints;
    count_ = listed_.size();
  } else if (d.vary.empty()) {
    count_ = 1;
  } else if (d.design == DesignKind::Grid) {
    double count = 1;
    for (const VaryEntry& entry : d.vary) {
      axes_.push_back(gridValues(d, entry));
      count *= static_cast<double>(axes_.back().size());
    }
    if (count > kMaxPoints)
      failAt(d, d.vary.front().place,
             "the grid has " + shortNumber(count) + " points; an experiment has at most 1000000");
    count_ = static_cast<std::size_t>(count);
  } else {
    units_ = designUnits(d);
    count_ = units_.size();
  }
}

DesignPoint DesignPoints::operator[](std::size_t index) const {
  if (!listed_.empty()) return listed_[index];
  DesignPoint point(vary_.size());
  if (!units_.empty()) {
    for (std::size_t i = 0; i < vary_.size(); ++i) point[i] = sampledText(vary_[i], units_[index][i]);
    return point;
  }
  // The last entry turns fastest.
  for (std::size_t a = axes_.size(); a-- > 0;) {
    point[a] = axes_[a][index % axes_[a].size()];
    index /= axes_[a].size();
  }
  return point;
}

}  // namespace vk

#pragma once
// The points of an experiment: every combination of the [vary] entries (a
// grid), or samples of their ranges by a Latin hypercube or a Sobol sequence.
#include <string>
#include <vector>

#include "experiment/Description.h"

namespace vk {

// One value per [vary] entry, as its column of the results table shows it:
// a parameter as para.txt holds it, a weight structure or market by name.
using DesignPoint = std::vector<std::string>;

// The points of a design, each made when it is asked for: a grid holds only
// its axes, a sampled design its unit points, never a million texts.
//
// A grid varies the first entry slowest. The values of a grid's range are
// rounded to what para.txt keeps (five decimals, or whole numbers); a range
// whose rounding makes two neighbours equal is a RunError naming them.
// Sampled reals are rounded the same way; sampled whole numbers cover
// from..to evenly. A listed value that para.txt cannot hold (more than five
// decimals) is a RunError at it.
class DesignPoints {
 public:
  DesignPoints() = default;
  explicit DesignPoints(const Description& d);
  std::size_t size() const { return count_; }
  DesignPoint operator[](std::size_t index) const;

 private:
  std::vector<VaryEntry> vary_;
  std::vector<std::vector<std::string>> axes_;  // a grid's values per entry
  std::vector<std::vector<double>> units_;      // a sampled design's points in [0, 1)
  std::size_t count_ = 0;
};

// The values a grid takes for one [vary] entry, as para.txt holds them.
std::vector<std::string> gridValues(const Description& d, const VaryEntry& entry);

// Points in [0, 1)^dimensions, the same for the same seed on every machine.
// A Latin hypercube puts exactly one point in each of the `samples` equal
// slices of every axis; Sobol points are digitally shifted by the seed.
std::vector<std::vector<double>> latinHypercube(int samples, int dimensions, ExperimentSeed seed);
std::vector<std::vector<double>> sobolPoints(int samples, int dimensions, ExperimentSeed seed);
constexpr int kMaxSobolDimensions = 20;

}  // namespace vk

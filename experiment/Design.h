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
// from..to evenly. A listed design's points are taken as they are. A listed value that para.txt cannot hold (more than
// five decimals) is a RunError at it.
class DesignPoints {
 public:
  DesignPoints() = default;
  explicit DesignPoints(const Description& d);
  std::size_t size() const { return count_; }
  DesignPoint operator[](std::size_t index) const;

 private:
  std::vector<VaryEntry> vary_;
  std::vector<std::vector<std::string>> axes_;  // a grid's values per entry
  std::vector<std::vector<double>> units_;      // a sampled design's points in [0, 1]
  std::vector<DesignPoint> listed_;
  std::size_t count_ = 0;
};

// What the user should know about a design that is accepted as it is: a
// Sobol or Saltelli design whose samples are not a power of two loses the
// balance of the sequence. Empty when there is nothing to say.
std::string designWarning(const Description& d);

// The points of a sampled design in [0, 1]^ranges, before they are turned
// into parameter values; the sensitivity estimators work on these. Too many
// ranges for the design, or too many points, is a RunError at the entry.
std::vector<std::vector<double>> designUnits(const Description& d);

// The values a grid takes for one [vary] entry, as para.txt holds them.
std::vector<std::string> gridValues(const Description& d, const VaryEntry& entry);

// Points in [0, 1)^dimensions, the same for the same seed on every machine.
// A Latin hypercube puts exactly one point in each of the `samples` equal
// slices of every axis; Sobol points are digitally shifted by the seed.
std::vector<std::vector<double>> latinHypercube(int samples, int dimensions, ExperimentSeed seed);
std::vector<std::vector<double>> sobolPoints(int samples, int dimensions, ExperimentSeed seed);
constexpr int kMaxSobolDimensions = 20;

// The Saltelli scheme for k factors: the first N points of a Sobol sequence
// of 2k dimensions (shifted by the seed) split into A (the first k
// coordinates) and B (the last k); for each sample j in turn the points A_j,
// AB_j^1 .. AB_j^k (A_j with coordinate i taken from B_j) and B_j: N (k + 2)
// points.
std::vector<std::vector<double>> saltelliPoints(int samples, int factors, ExperimentSeed seed);
constexpr int kMaxSaltelliFactors = kMaxSobolDimensions / 2;

// Morris trajectories on a grid of `levels` (even) values 0, 1/(levels - 1),
// ..., 1 per axis: each starts at a random grid point and moves every factor
// once, in a random order, by delta = levels / (2 (levels - 1)): up where
// that stays within [0, 1], down otherwise. r (k + 1) points.
std::vector<std::vector<double>> morrisPoints(int trajectories, int levels, int factors, ExperimentSeed seed);

}  // namespace vk

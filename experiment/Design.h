#pragma once
// The points of an experiment: every combination of the [vary] entries (a
// grid), or samples of their ranges by a Latin hypercube or a Sobol sequence.
#include <vector>

#include "experiment/Description.h"

namespace vk {

// One value per [vary] entry, as its column of the results table shows it:
// a parameter as para.txt holds it, a weight structure or market by name.
using DesignPoint = std::vector<std::string>;

// A grid varies the first entry slowest. Sampled reals are rounded to the
// five decimals para.txt keeps; sampled whole numbers cover from..to evenly.
// A listed or grid value that para.txt cannot hold (more than five decimals,
// a range step that is not whole for a whole-number parameter) is a RunError
// at the entry.
std::vector<DesignPoint> designPoints(const Description& d);

// Points in [0, 1)^dimensions, the same for the same seed on every machine.
// A Latin hypercube puts exactly one point in each of the `samples` equal
// slices of every axis; Sobol points are digitally shifted by the seed.
std::vector<std::vector<double>> latinHypercube(int samples, int dimensions, ExperimentSeed seed);
std::vector<std::vector<double>> sobolPoints(int samples, int dimensions, ExperimentSeed seed);
constexpr int kMaxSobolDimensions = 20;

}  // namespace vk

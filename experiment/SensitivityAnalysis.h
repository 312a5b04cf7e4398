#pragma once
// sweep sensitivity: the Sobol or Morris indices of a metric over the
// ranges of a saltelli or morris experiment (SensitivityIndices.h).
//
// Each run first gives one value, the median of the metric over its paths
// (paths of a run share one generator's stream and are not independent);
// each point the mean of its runs' values over the seeds. Every point must
// have its value: pending or failed runs, or runs without any value of the
// metric, are named and nothing is computed from a partial design.
//
// The table: one row per varied parameter. saltelli: parameter, S1, S1_low,
// S1_high, ST, ST_low, ST_high; morris: parameter, mu, mu_low, mu_high,
// mu_star, mu_star_low, mu_star_high, sigma, sigma_low, sigma_high (effects
// per whole range of the parameter). The convergence check adds the same
// indices from the first half of the samples (or trajectories), with the
// suffix _half. An undefined index is an empty field. Numbers have 6
// significant digits.
#include <string>
#include <vector>

#include "experiment/SensitivityIndices.h"

namespace vk {

struct SensitivitySettings {
  std::string metric;
  int resamples = 1000;
  bool check = false;  // the first half's indices beside the whole's
};

struct SensitivityReport {
  std::string design;  // saltelli or morris
  std::string metric;
  std::vector<std::string> names;  // the varied parameters
  std::string table;               // the CSV text
  std::vector<std::string> notes;  // what the user should know: rows left out, undefined indices
  // The indices over the whole design, one per parameter: sobol on a
  // saltelli design, morris on a morris one.
  std::vector<SobolFactor> sobol;
  std::vector<MorrisFactor> morris;
};

// Reads DIR's record and results.csv. A directory whose design is neither
// saltelli nor morris is refused, naming the design it has.
SensitivityReport sensitivityOf(const std::string& dir, const SensitivitySettings& settings);

}  // namespace vk

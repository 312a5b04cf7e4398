#pragma once
// One batch of candidates: every candidate runs once with each of the
// description's seeds (common random numbers), all through the experiment
// engine's local pool at once, and each run's paths give a row of moments
// from their stylized facts.
#include <string>
#include <vector>

#include "analysis/StylizedFacts.h"
#include "calibration/CalibrationDescription.h"
#include "calibration/MomentStatistics.h"

namespace vk {

struct Candidate {
  std::vector<double> values;  // each estimated parameter as para.txt keeps it
  std::string parameterText;   // the runs' para.txt; empty when it cannot run
  std::string problem;         // why it cannot run
};

// The candidate at x: whole-number parameters at the nearest whole number,
// reals at the five decimals para.txt keeps, each inside its range.
Candidate makeCandidate(const CalibrationDescription& c, const std::vector<double>& x);

struct CandidateMoments {
  bool done = false;
  std::string reason;  // why not
  MomentMatrix paths;  // one row per path of each seed's run, seed by seed
};

struct BatchMoments {
  std::vector<CandidateMoments> candidates;
  bool haveActual = false;
  FactRow actual;  // the facts of the actual changes over the simulated weeks
  std::vector<double> actualChanges;
};

// Runs the batch in folder/runs/, retrying once every run that was killed.
// program is velquin-cli (or a stand-in for it in tests).
BatchMoments runBatch(const CalibrationDescription& c, const std::vector<Candidate>& candidates,
                      const std::string& folder, const std::string& program, int jobs);

}  // namespace vk

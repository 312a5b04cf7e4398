#pragma once
// One batch of candidates: every candidate runs once with each of the
// description's seeds (common random numbers), all at once through an
// experiment engine (this machine's pool, or one Slurm job array), and each
// run's paths give a row of moments from their stylized facts.
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

// Where a batch's runs go.
struct BatchEngine {
  int jobs = 1;  // this machine: runs at a time
  bool slurm = false;
  std::vector<std::string> sbatch;  // Slurm: more options of sbatch
  double taskSeconds = 0;           // Slurm: the work an array task holds, about
};

// Runs the batch in folder/runs/, retrying once every run that was killed (or
// that a dead array task left unfinished). program is velquin-cli (or a
// stand-in for it in tests). On Slurm, folder/batch.txt tells the array's
// tasks the description and the candidates, and this returns once the array
// has ended.
BatchMoments runBatch(const CalibrationDescription& c, const std::vector<Candidate>& candidates,
                      const std::string& folder, const std::string& program, const BatchEngine& engine);

// One array task of a batch on Slurm: its runs, as runBatch listed them in
// folder, one after another (or as many at a time as Slurm gave the task
// processors). A description changed since the batch was submitted is a
// RunError, and so is a run of the task that failed.
void runBatchTask(const std::string& folder, int task, const std::string& program);

}  // namespace vk

#pragma once
// The cluster engine: the pending runs of an experiment go to Slurm as one
// job array, and a collector job that depends on the whole array (in any end
// state) writes results.csv. The array's tasks and the collector are
// velquin-cli itself, reading the experiment from DIR/experiment.toml, so DIR
// must be on a file system every node shares.
#include <string>
#include <vector>

#include "experiment/Plan.h"

namespace vk {

struct SlurmSubmission {
  std::string arrayJob;
  std::string collectorJob;
  int tasks = 0;
  int fewestRuns = 0;  // of a task
  int mostRuns = 0;
  double fewestSeconds = 0;  // the least estimated work of a task
};

// The work an array task holds, about, by the plan's estimate, unless the
// whole experiment holds less.
constexpr double kDefaultTaskSeconds = 60;

// Writes DIR/slurm/ (the task list and the two batch scripts) and submits
// them with sbatch; extraOptions are given to both sbatch calls. The runs not
// done go to the array in chunks of equal estimated work, about taskSeconds
// each, in at most maxArrayTasks tasks (see TaskChunks.h); each run is marked on
// its own, so a task that dies loses only the runs it had not finished. A missing or
// failing sbatch is a RunError that says what was submitted; when the
// collector cannot be submitted the array is cancelled.
SlurmSubmission submitToSlurm(const ExperimentPlan& plan, const std::string& dir, const std::string& program,
                              const std::vector<std::string>& extraOptions, int maxArrayTasks, double taskSeconds);

// Runs `runs` of the plan as one job array in the same chunks and returns
// once the array has left the queue: for a caller that needs the runs' results
// before it can go on, such as a calibration's next generation. Each task runs
// `taskCommand` (shell words) followed by --task and its number, and is to
// mark its runs as the sweep's tasks do; the array's id is recorded as a
// submission's. Returns the number of tasks. A missing or failing sbatch is a
// RunError; a task that fails is left to the runs' marks to tell.
int runArrayToTheEnd(const ExperimentPlan& plan, const std::string& dir, const std::vector<int>& runs,
                     const std::string& taskCommand, const std::vector<std::string>& extraOptions, int maxArrayTasks,
                     double taskSeconds);

// What of the folder's last submission is still queued or running on the
// cluster, as a sentence; empty when nothing is (or nothing was submitted).
// A record of jobs that Slurm cannot be asked about counts as queued.
std::string queuedSlurmJobs(const std::string& dir);

// The runs of array task `task`, as the submission listed them.
std::vector<int> runsOfTask(const ExperimentPlan& plan, const std::string& dir, int task);

// The largest array the cluster takes: MaxArraySize - 1 tasks from
// scontrol, or 1000 when it cannot be asked.
int slurmArrayLimit();

// Splits a text of options into words as a shell would: blanks separate,
// single and double quotes group, a backslash escapes in and out of double
// quotes. An unclosed quote is a RunError.
std::vector<std::string> splitOptionWords(const std::string& text);

}  // namespace vk

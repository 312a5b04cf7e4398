#pragma once
// The local engine: a pool of processes, each a velquin-cli run of one
// planned run, as many at a time as there are jobs.
#include <functional>
#include <string>
#include <vector>

#include "experiment/Plan.h"

namespace vk {

// Called in the pool's process after each run ended and was marked.
using RunEndedCallback = std::function<void(const PlannedRun& run, bool done)>;

// Prepares and runs each of the plan's runs `ids` in its folder under dir; a
// run that fails, or whose input files no longer have the plan's SHA-256 once
// it has read them, is marked failed and the others go on. Returns the number
// of failed runs.
int runLocally(const std::string& program, const std::string& dir, const ExperimentPlan& plan,
               const std::vector<int>& ids, int jobs, const RunEndedCallback& ended);

// A command line run by this very program: its exit status.
using CommandRunner = std::function<int(const std::vector<std::string>& words)>;

// Runs whose program is `program` (this program's own file) are started as
// a fork of this process that runs their command line through `runner`,
// rather than by loading the program anew: the same code on the same
// arguments, so the same bytes, without the cost of starting a program,
// which is most of a short run's. Other programs are always started anew.
void runForkedWhenProgramIs(const std::string& program, CommandRunner runner);

// The processors this process may use; at least 1.
int availableCores();

}  // namespace vk

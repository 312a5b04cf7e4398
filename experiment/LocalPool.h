#pragma once
// The local engine: runs of the plan, as many at a time as there are jobs,
// each the command line of a velquin-cli run.
#include <functional>
#include <string>
#include <vector>

#include "experiment/Plan.h"
#include "experiment/RunWorker.h"

namespace vk {

// Called in the pool's process after each run ended and was marked.
using RunEndedCallback = std::function<void(const PlannedRun& run, bool done)>;

// Prepares and runs each of the plan's runs `ids` in its folder under dir; a
// run that fails, or whose input files no longer have the plan's SHA-256 once
// it has read them, is marked failed and the others go on. Returns the number
// of failed runs.
int runLocally(const std::string& program, const std::string& dir, const ExperimentPlan& plan,
               const std::vector<int>& ids, int jobs, const RunEndedCallback& ended);

// Runs whose program is `program` (this program's own file) go to workers
// forked from this process, one per job, each running its runs' command
// lines through `runner` one after another, rather than loading the program
// anew for each: the same code on the same arguments, so the same bytes,
// without the start of a process, which costs more than a short run. Other
// programs are started anew for each run.
void runInWorkersWhenProgramIs(const std::string& program, CommandRunner runner);

// The processors this process may use; at least 1.
int availableCores();

}  // namespace vk

#pragma once
// The folder of one run of an experiment, DIR/runs/<name>/: its para.txt,
// its weight structure as wdata.txt, the result folder, the log of the run,
// and a mark written only after the run's last file is complete. Price and
// data files are named by their absolute paths, not copied.
#include <string>
#include <vector>

#include "experiment/Plan.h"

namespace vk {

enum class RunOutcome { Pending, Done, Failed };

std::string runFolder(const std::string& dir, const PlannedRun& run);
std::string runLogFile(const std::string& dir, const PlannedRun& run);
std::string runResultFolder(const std::string& dir, const PlannedRun& run);
std::string runResultFolder(const std::string& dir, const std::string& runName);

// Done when the done mark exists, failed when the failed mark does (its
// message into *message), pending otherwise: a run killed mid-way is pending
// and starts again from empty.
RunOutcome runOutcome(const std::string& dir, const PlannedRun& run, std::string* message);
// The same by the run's folder name, which a plan gives without making the run.
RunOutcome runOutcome(const std::string& dir, const std::string& runName, std::string* message);

// Which runs of a plan have a folder, from one listing of DIR/runs: at a
// million runs, most have none yet, and looking for the marks of each would
// take most of a status or a collect.
class RunFolderListing {
 public:
  RunFolderListing(const std::string& dir, const PlannedRuns& runs);
  // As runOutcome; pending, without a look, for a run that had no folder
  // when the listing was made.
  RunOutcome outcome(std::size_t id, std::string* message) const;

 private:
  std::string dir_;
  const PlannedRuns& runs_;
  std::vector<bool> listed_;
};

// The runs of the plan not done yet, by id.
std::vector<int> unfinishedRuns(const ExperimentPlan& plan, const std::string& dir);

// Empties the folder and writes para.txt, wdata.txt and the result folder.
void prepareRunFolder(const std::string& dir, const PlannedRun& run);

// The command line of the run: velquin-cli run in its folder, with its seed.
std::vector<std::string> runCommandLine(const std::string& program, const std::string& dir, const PlannedRun& run);

// The facts summary of every path the run wrote, into its result folder's
// facts.csv as `analyze facts --all` makes it, so that the results table can
// join each path to its facts.
void summariseRunFacts(const std::string& resultFolder);

// Where a facts summary of the paths goes in resultFolder when no file is
// named: facts.csv, but in an experiment's run folder (DIR/runs/<id>/result
// beside DIR/experiment.toml) facts-selected.csv unless the paths are every
// path of the run. The experiment's table joins each path to its row of
// facts.csv; a summary of some paths over it would fail the run at the next
// collect.
constexpr const char* kSelectedFactsFileName = "facts-selected.csv";
std::string factsSummaryFile(const std::string& resultFolder, std::vector<int> paths);

// Starts the run's log with its command line, as a shell takes it, so that
// the run can be made again in full from its folder.
void startRunLog(const std::string& program, const std::string& dir, const PlannedRun& run);

// The files of a result folder a run that keeps only its summaries keeps.
bool isSummaryFile(const std::string& name);

// Whether the result folder kept only its run's summaries: its report
// compressed, and no plain report beside it.
bool keptOnlySummaries(const std::string& resultFolder);

// Readies workDir for the run of runFolder to be made again away from its
// folder: copies its para.txt and wdata.txt there and makes an empty result
// folder. Returns the arguments after the program of the command on the
// first line of its run.log, working in workDir and writing workDir/result.
// Nothing in the run's folder is written.
std::vector<std::string> prepareRerun(const std::string& runFolder, const std::string& workDir);

// Whether two result folders hold the same report, plain or compressed,
// line for line.
bool sameReport(const std::string& resultFolder, const std::string& otherFolder);

// Marks the run after its process ended with the wait status: done when it
// exited with 0, its eval.txt holds every path's report and its facts
// summary is written; failed with the reason otherwise. A run that keeps only its summaries has its other result
// files removed before it is marked done. True when done.
bool markRunEnded(const std::string& dir, const PlannedRun& run, int waitStatus);
// Marks the run failed with the message; a mark that cannot be written
// leaves the run pending, never done.
void markRunFailed(const std::string& dir, const PlannedRun& run, const std::string& message);
// Marks failed with the message every run that is neither done nor failed,
// creating the folder of one that never started.
void markUnfinishedRunsFailed(const ExperimentPlan& plan, const std::string& dir, const std::string& message);

}  // namespace vk

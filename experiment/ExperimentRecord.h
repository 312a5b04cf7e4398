#pragma once
// DIR/experiment.toml: the description as it was run, followed by a
// [provenance] table with the program version, the command line, the folder
// relative names resolve against, the plan's fingerprint and the SHA-256 of
// every input file. The array tasks and the collector read the experiment
// back from it, and a later sweep run compares its plan with it.
#include <string>

#include "experiment/Plan.h"

namespace vk {

std::string experimentRecordFile(const std::string& dir);

// Refuses a dir that exists and is no folder, or a non-empty folder that
// holds no experiment, before anything is planned or written.
void checkExperimentFolder(const std::string& dir);

// The same check, then makes the folder if it is missing, so that its owner
// can lock it before anything in it changes.
void createExperimentFolder(const std::string& dir);

// Makes dir ready for the plan. A new or empty folder is created; a folder
// made by the same plan is kept as it is, so the runs resume; one made by
// another plan (another description, or inputs that changed since) is
// refused unless replace is set, and then its runs, table and record are
// removed. A non-empty folder that holds no experiment is always refused.
void prepareExperimentFolder(const ExperimentPlan& plan, const std::string& dir, bool replace);

void writeExperimentRecord(const ExperimentPlan& plan, const std::string& dir, const std::string& version,
                           const std::string& commandLine);

// The plan of the experiment in dir, remade from its record; refused when
// its inputs changed since the record was written.
ExperimentPlan recordedPlan(const std::string& dir);

// The same plan, and what changed in its inputs (empty when nothing did):
// for the commands that count the runs even then.
struct RecordedPlan {
  ExperimentPlan plan;
  std::string inputsChanged;
};
RecordedPlan readRecordedPlan(const std::string& dir);

// A text as a TOML basic string, quotes included.
std::string tomlString(const std::string& text);

}  // namespace vk

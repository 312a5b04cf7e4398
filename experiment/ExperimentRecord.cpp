#include "experiment/ExperimentRecord.h"

#include <filesystem>
#include <map>

#include "experiment/Design.h"
#include "experiment/ExperimentLock.h"
#include "experiment/ResultsTable.h"
#include "io/AtomicFile.h"
#include "io/RunError.h"

namespace vk {

namespace fs = std::filesystem;

namespace {

const char* const kRecordName = "experiment.toml";
// What sweep run makes in an experiment folder; --replace removes only these.
const char* const kMadeByRun[] = {"runs", "slurm", kResultsFileName, kActualFactsFileName, kRecordName};

// Empty but for the lock that its owner may have taken already.
bool isEmptyFolder(const std::string& dir) {
  std::error_code error;
  if (!fs::is_directory(dir, error)) return false;
  for (fs::directory_iterator entry(dir, error), end; !error && entry != end; entry.increment(error))
    if (entry->path().filename() != kExperimentLockName) return false;
  return !error;
}

std::string recordedFingerprint(const std::string& dir) {
  return readRecordedDescription(experimentRecordFile(dir)).recordedPlan;
}

// The values of each range of a grid as the runs hold them, which rounding
// may have moved off the even steps the description asks for.
std::string gridRecord(const Description& d) {
  std::string text;
  for (const VaryEntry& entry : d.vary) {
    if (d.design != DesignKind::Grid || !entry.isRange) continue;
    std::string list;
    for (const std::string& value : gridValues(d, entry)) list += (list.empty() ? "" : ", ") + value;
    text += entry.name + " = [" + list + "]\n";
  }
  return text.empty() ? "" : "\n[provenance.grid]\n" + text;
}

}  // namespace

std::string experimentRecordFile(const std::string& dir) { return dir + "/" + kRecordName; }

std::string tomlString(const std::string& text) {
  std::string quoted = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7f) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      quoted += escape;
    } else {
      quoted += static_cast<char>(c);
    }
  }
  return quoted + "\"";
}

void checkExperimentFolder(const std::string& dir) {
  std::error_code error;
  if (!fs::exists(dir, error) || isEmptyFolder(dir)) return;
  if (!fs::is_directory(dir, error)) throw RunError("'" + dir + "' exists and is not a folder");
  if (!fs::exists(experimentRecordFile(dir), error))
    throw RunError("'" + dir +
                   "' is not empty and holds no experiment.toml: it was not made by sweep run. "
                   "Choose a new or empty folder.");
}

void createExperimentFolder(const std::string& dir) {
  checkExperimentFolder(dir);
  std::error_code error;
  fs::create_directories(dir, error);
  if (error) throw RunError("Cannot create the experiment folder '" + dir + "': " + error.message());
}

void prepareExperimentFolder(const ExperimentPlan& plan, const std::string& dir, bool replace) {
  std::error_code error;
  createExperimentFolder(dir);
  if (isEmptyFolder(dir)) return;
  if (recordedFingerprint(dir) == plan.fingerprint) return;
  if (!replace)
    throw RunError("'" + dir +
                   "' holds the results of another experiment (another description, or inputs that "
                   "changed since). Choose another folder, or give --replace to remove its runs and start again.");
  for (const char* name : kMadeByRun) {
    fs::remove_all(fs::path(dir) / name, error);
    if (error) throw RunError("Cannot remove '" + (fs::path(dir) / name).string() + "': " + error.message());
  }
}

void writeExperimentRecord(const ExperimentPlan& plan, const std::string& dir, const std::string& version,
                           const std::string& commandLine) {
  std::string text = plan.description.text;
  if (!text.empty() && text.back() != '\n') text += "\n";
  text += "\n# Written by velquin-cli sweep run: what this folder's results were made from.\n";
  text += "[provenance]\n";
  text += "version = " + tomlString(version) + "\n";
  text += "command = " + tomlString(commandLine) + "\n";
  text += "description = " + tomlString(fs::absolute(plan.description.sourceName).lexically_normal().string()) + "\n";
  text += "base = " + tomlString(plan.description.base) + "\n";
  text += "runs = " + std::to_string(plan.runs.size()) + "\n";
  text += "plan = " + tomlString(plan.fingerprint) + "\n";
  text += gridRecord(plan.description);
  text += "\n[provenance.sha256]\n";
  for (const auto& [file, hash] : plan.inputs) text += tomlString(file) + " = " + tomlString(hash) + "\n";
  writeFileAtomically(experimentRecordFile(dir), text);
}

RecordedPlan readRecordedPlan(const std::string& dir) {
  const std::string file = experimentRecordFile(dir);
  const Description d = readRecordedDescription(file);
  RecordedPlan recordedPlan{makePlan(d), ""};
  const ExperimentPlan& plan = recordedPlan.plan;
  std::string& changed = recordedPlan.inputsChanged;
  const std::map<std::string, std::string> recorded(d.recordedInputs.begin(), d.recordedInputs.end());
  for (const auto& [input, hash] : plan.inputs) {
    const auto found = recorded.find(input);
    if (found == recorded.end() || found->second != hash) {
      changed = file + ": the input " + quoted(input, std::string::npos) +
                (found == recorded.end() ? " is not among the recorded inputs"
                                         : " changed since the experiment was started (SHA-256 " + hash.substr(0, 12) +
                                               "..., recorded " + found->second.substr(0, 12) + "...)") +
                "; its results would not match it";
      return recordedPlan;
    }
  }
  if (plan.fingerprint != d.recordedPlan)
    changed = file + ": the inputs changed since the experiment was started (the plan's fingerprint is " +
              plan.fingerprint.substr(0, 12) + "..., the record's " + d.recordedPlan.substr(0, 12) +
              "...); its results would not match them";
  return recordedPlan;
}

ExperimentPlan recordedPlan(const std::string& dir) {
  RecordedPlan recorded = readRecordedPlan(dir);
  if (!recorded.inputsChanged.empty()) throw RunError(recorded.inputsChanged);
  return std::move(recorded.plan);
}

}  // namespace vk

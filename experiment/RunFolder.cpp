#include "experiment/RunFolder.h"

#include <sys/wait.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "analysis/FactsSummary.h"
#include "analysis/PathList.h"
#include "analysis/ResultDirectory.h"
#include "analysis/ResultFile.h"
#include "experiment/ExperimentRecord.h"
#include "experiment/ShellWord.h"
#include "io/AtomicFile.h"
#include "io/CompressedFile.h"
#include "io/OutputFile.h"
#include "io/ResultLock.h"
#include "io/RunError.h"
#include "run/ReportFile.h"

namespace vk {

namespace fs = std::filesystem;

namespace {

const char* const kDoneMark = "done";
const char* const kFailedMark = "failed";
const char* const kErrorPrefix = "velquin-cli: error: ";

std::string readSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string copyFileText(const std::string& from) {
  std::ifstream in(from, std::ios::binary);
  if (!in) throwFileError("open file for reading", from, errno);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The error the run printed last, from its log.
std::string errorFromLog(const std::string& logFile) {
  const std::string log = readSmallFile(logFile);
  const std::size_t at = log.rfind(kErrorPrefix);
  if (at == std::string::npos) return "";
  const std::size_t start = at + std::strlen(kErrorPrefix);
  return log.substr(start, log.find('\n', start) - start);
}

// What a run that keeps only its summaries leaves for a study, compressed,
// and the lock every result folder keeps.
const std::string kSummaryFiles[] = {std::string(kReportFileName) + kCompressedSuffix,
                                     std::string(kFactsSummaryFileName) + kCompressedSuffix, kLockFileName};

// Removes what a run that keeps only its summaries does not keep: the
// per-path files and the random-state files.
void removeResultFiles(const std::string& resultFolder, bool keepSummaries) {
  std::error_code error;
  for (fs::directory_iterator entry(resultFolder, error), end; !error && entry != end; entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    if (!entry->is_regular_file() || name == kLockFileName || (keepSummaries && isSummaryFile(name))) continue;
    if (!fs::remove(entry->path(), error) || error)
      throw RunError("Cannot remove '" + entry->path().string() + "': " + error.message());
  }
  if (error) throw RunError("Cannot list the result folder '" + resultFolder + "': " + error.message());
}

// Compresses the report and the facts summary and removes every other file
// but the lock.
void keepOnlySummaries(const std::string& resultFolder) {
  compressFile(resultFolder + "/" + kReportFileName);
  compressFile(resultFolder + "/" + kFactsSummaryFileName);
  removeResultFiles(resultFolder, true);
}

// Why the run that ended with the wait status is not done; empty when it is.
std::string runProblem(const std::string& dir, const PlannedRun& run, int waitStatus) {
  if (WIFSIGNALED(waitStatus)) return "the run was killed by signal " + std::to_string(WTERMSIG(waitStatus));
  const int code = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
  if (code != 0) {
    const std::string message = errorFromLog(runLogFile(dir, run));
    return message.empty() ? "the run ended with exit status " + std::to_string(code) : message;
  }
  try {
    const std::size_t paths = readRunReport(runResultFolder(dir, run) + "/" + kReportFileName).size();
    if (paths != static_cast<std::size_t>(run.simtimes))
      return "eval.txt holds " + std::to_string(paths) + " path reports instead of " + std::to_string(run.simtimes);
    // A run of no path has no facts: its table row is empty.
    if (paths > 0) summariseRunFacts(runResultFolder(dir, run));
  } catch (const RunError& e) {
    return e.what();
  }
  return "";
}

std::string oneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text;
}

}  // namespace

namespace {

std::string runFolderOf(const std::string& dir, const std::string& name) { return dir + "/runs/" + name; }

bool isDone(const std::string& folder) {
  std::error_code error;
  return fs::exists(folder + "/" + kDoneMark, error);
}

}  // namespace

std::string runFolder(const std::string& dir, const PlannedRun& run) { return runFolderOf(dir, run.name); }
std::string runLogFile(const std::string& dir, const PlannedRun& run) { return runFolder(dir, run) + "/run.log"; }
std::string runResultFolder(const std::string& dir, const PlannedRun& run) { return runResultFolder(dir, run.name); }
std::string runResultFolder(const std::string& dir, const std::string& runName) {
  return runFolderOf(dir, runName) + "/result";
}

RunOutcome runOutcome(const std::string& dir, const PlannedRun& run, std::string* message) {
  return runOutcome(dir, run.name, message);
}

RunOutcome runOutcome(const std::string& dir, const std::string& runName, std::string* message) {
  const std::string folder = runFolderOf(dir, runName);
  std::error_code error;
  if (isDone(folder)) return RunOutcome::Done;
  if (fs::exists(folder + "/" + kFailedMark, error)) {
    if (message) {
      *message = readSmallFile(folder + "/" + kFailedMark);
      while (!message->empty() && message->back() == '\n') message->pop_back();
    }
    return RunOutcome::Failed;
  }
  return RunOutcome::Pending;
}

void summariseRunFacts(const std::string& resultFolder) {
  const ResultLock lock(resultFolder, ResultLock::Use::Summary);
  ListedPaths paths(resultFolder, lastRunPathsOf(resultFolder, kRatePrefix).paths);
  FactsSeries series;
  summariseFacts(resultFolder, paths, "", series);
}

std::string factsSummaryFile(const std::string& resultFolder, std::vector<int> paths) {
  const std::string joined = resultFilePath(resultFolder, kFactsSummaryFileName);
  const fs::path folder = fs::absolute(resultFolder).lexically_normal();
  const fs::path runs = (folder.filename().empty() ? folder.parent_path() : folder).parent_path().parent_path();
  std::error_code error;
  if (runs.filename() != "runs" || !fs::exists(experimentRecordFile(runs.parent_path().string()), error)) return joined;
  std::sort(paths.begin(), paths.end());
  return paths == lastRunPathsOf(resultFolder, kRatePrefix).paths
             ? joined
             : resultFilePath(resultFolder, kSelectedFactsFileName);
}

RunFolderListing::RunFolderListing(const std::string& dir, const PlannedRuns& runs)
    : dir_(dir), runs_(runs), listed_(runs.size(), false) {
  if (runs.size() == 0) return;
  const std::string folder = dir + "/runs";
  const std::size_t width = runs.name(runs.size() - 1).size();
  std::error_code error;
  if (!fs::exists(folder, error) && !error) return;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
    // A run's name is its id with the plan's width; anything else is no run of it.
    const std::string name = entry->path().filename().string();
    std::size_t id = 0;
    const auto read = std::from_chars(name.data(), name.data() + name.size(), id);
    if (name.size() == width && read.ec == std::errc() && read.ptr == name.data() + name.size() && id < runs.size())
      listed_[id] = true;
  }
  if (error) throw RunError("Cannot list the run folders in '" + folder + "': " + error.message());
}

RunOutcome RunFolderListing::outcome(std::size_t id, std::string* message) const {
  return listed_[id] ? runOutcome(dir_, runs_.name(id), message) : RunOutcome::Pending;
}

std::vector<int> unfinishedRuns(const ExperimentPlan& plan, const std::string& dir) {
  const RunFolderListing folders(dir, plan.runs);
  std::vector<int> ids;
  for (std::size_t id = 0; id < plan.runs.size(); ++id)
    if (folders.outcome(id, nullptr) != RunOutcome::Done) ids.push_back(static_cast<int>(id));
  return ids;
}

void prepareRunFolder(const std::string& dir, const PlannedRun& run) {
  const std::string folder = runFolder(dir, run);
  std::error_code error;
  fs::remove_all(folder, error);
  if (error) throw RunError("Cannot empty the run folder '" + folder + "': " + error.message());
  fs::create_directories(folder + "/result", error);
  if (error) throw RunError("Cannot create the run folder '" + folder + "': " + error.message());
  OutputFile para;
  para.create(folder + "/para.txt");
  para.write(run.parameterText);
  para.close();
  OutputFile structure;
  structure.create(folder + "/wdata.txt");
  structure.write(copyFileText(run.wdata));
  structure.close();
}

std::vector<std::string> runCommandLine(const std::string& program, const std::string& dir, const PlannedRun& run) {
  return {program,  "run",    "-C",     runFolder(dir, run),     "--result", "result", "--price", run.price,
          "--data", run.data, "--seed", std::to_string(run.seed)};
}

void startRunLog(const std::string& program, const std::string& dir, const PlannedRun& run) {
  std::string line;
  for (const std::string& word : runCommandLine(program, dir, run)) line += (line.empty() ? "" : " ") + shellWord(word);
  OutputFile log;
  log.create(runLogFile(dir, run));
  log.write(line + "\n");
  log.close();
}

bool keptOnlySummaries(const std::string& resultFolder) {
  std::error_code error;
  const std::string report = resultFolder + "/" + kReportFileName;
  return fs::exists(report + kCompressedSuffix, error) && !fs::exists(report, error);
}

std::vector<std::string> prepareRerun(const std::string& runFolder, const std::string& workDir) {
  const std::string logFile = runFolder + "/run.log";
  std::ifstream log(logFile, std::ios::binary);
  if (!log) throwFileError("open file for reading", logFile, errno);
  std::string line;
  std::getline(log, line);
  std::vector<std::string> words = shellWords(line);
  const auto workDirWord = std::find(words.begin(), words.end(), "-C");
  if (words.size() < 2 || words[1] != "run" || workDirWord == words.end() || workDirWord + 1 == words.end())
    throw RunError(logFile + ", line 1: '" + line.substr(0, 80) + "' is no command of a run in its folder");
  *(workDirWord + 1) = workDir;
  // The copy is written in workDir whatever result folder the log names.
  const auto resultWord = std::find(words.begin(), words.end(), "--result");
  if (resultWord == words.end() || resultWord + 1 == words.end())
    words.insert(words.end(), {"--result", "result"});
  else
    *(resultWord + 1) = "result";
  std::error_code error;
  fs::create_directories(workDir + "/result", error);
  if (error) throw RunError("Cannot create the folder '" + workDir + "/result': " + error.message());
  for (const char* name : {"para.txt", "wdata.txt"}) {
    OutputFile copy;
    copy.create(workDir + "/" + name);
    copy.write(copyFileText(runFolder + "/" + name));
    copy.close();
  }
  return std::vector<std::string>(words.begin() + 1, words.end());
}

bool sameReport(const std::string& resultFolder, const std::string& otherFolder) {
  TextReader one = openPlainOrCompressed(resultFolder + "/" + kReportFileName);
  TextReader other = openPlainOrCompressed(otherFolder + "/" + kReportFileName);
  while (!one.atEnd() && !other.atEnd())
    if (one.readLineText() != other.readLineText() || one.lastLineEnded() != other.lastLineEnded()) return false;
  return one.atEnd() && other.atEnd();
}

bool isSummaryFile(const std::string& name) {
  for (const std::string& kept : kSummaryFiles)
    if (name == kept) return true;
  return false;
}

void markRunFailed(const std::string& dir, const PlannedRun& run, const std::string& message) {
  try {
    writeFileAtomically(runFolder(dir, run) + "/" + kFailedMark, oneLine(message) + "\n");
  } catch (const RunError&) {
    // A full disk may not take the mark either. The run then stays without
    // one, pending, and is run again on resume; the pool has counted it.
  }
}

void markUnfinishedRunsFailed(const ExperimentPlan& plan, const std::string& dir, const std::string& message) {
  const RunFolderListing folders(dir, plan.runs);
  for (std::size_t id = 0; id < plan.runs.size(); ++id) {
    if (folders.outcome(id, nullptr) != RunOutcome::Pending) continue;
    const PlannedRun run = plan.runs[id];
    std::error_code error;
    fs::create_directories(runFolder(dir, run), error);
    markRunFailed(dir, run, message);
  }
}

bool markRunEnded(const std::string& dir, const PlannedRun& run, int waitStatus) {
  std::string problem = runProblem(dir, run, waitStatus);
  const bool lean = run.keep == OutputKeep::Summaries;
  if (problem.empty()) {
    try {
      if (lean) keepOnlySummaries(runResultFolder(dir, run));
      writeFileAtomically(runFolder(dir, run) + "/" + kDoneMark, "done\n");
      return true;
    } catch (const RunError& e) {
      problem = e.what();
    }
  }
  // A failed run that keeps only summaries holds on to no space, as the
  // disk may be what it failed on, and leaves no summary it may have cut
  // short. Its log says why it failed.
  if (lean) try {
      removeResultFiles(runResultFolder(dir, run), false);
    } catch (const RunError&) {
    }
  markRunFailed(dir, run, problem);
  return false;
}

}  // namespace vk

#include "experiment/RunFolder.h"

#include <sys/wait.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "io/AtomicFile.h"
#include "io/OutputFile.h"
#include "io/RunError.h"
#include "run/ReportTable.h"

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

std::string oneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text;
}

}  // namespace

std::string runFolder(const std::string& dir, const PlannedRun& run) { return dir + "/runs/" + run.name; }
std::string runLogFile(const std::string& dir, const PlannedRun& run) { return runFolder(dir, run) + "/run.log"; }
std::string runResultFolder(const std::string& dir, const PlannedRun& run) { return runFolder(dir, run) + "/result"; }

RunOutcome runOutcome(const std::string& dir, const PlannedRun& run, std::string* message) {
  const std::string folder = runFolder(dir, run);
  std::error_code error;
  if (fs::exists(folder + "/" + kDoneMark, error)) return RunOutcome::Done;
  if (fs::exists(folder + "/" + kFailedMark, error)) {
    if (message) {
      *message = readSmallFile(folder + "/" + kFailedMark);
      while (!message->empty() && message->back() == '\n') message->pop_back();
    }
    return RunOutcome::Failed;
  }
  return RunOutcome::Pending;
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

void markRunFailed(const std::string& dir, const PlannedRun& run, const std::string& message) {
  writeFileAtomically(runFolder(dir, run) + "/" + kFailedMark, oneLine(message) + "\n");
}

bool markRunEnded(const std::string& dir, const PlannedRun& run, int waitStatus) {
  if (WIFSIGNALED(waitStatus)) {
    markRunFailed(dir, run, "the run was killed by signal " + std::to_string(WTERMSIG(waitStatus)));
    return false;
  }
  const int code = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
  if (code != 0) {
    std::string message = errorFromLog(runLogFile(dir, run));
    if (message.empty()) message = "the run ended with exit status " + std::to_string(code);
    markRunFailed(dir, run, message);
    return false;
  }
  try {
    const std::size_t paths = readRunReport(runResultFolder(dir, run) + "/eval.txt").size();
    if (paths != static_cast<std::size_t>(run.simtimes))
      throw RunError("eval.txt holds " + std::to_string(paths) + " path reports instead of " +
                     std::to_string(run.simtimes));
  } catch (const RunError& e) {
    markRunFailed(dir, run, e.what());
    return false;
  }
  writeFileAtomically(runFolder(dir, run) + "/" + kDoneMark, "done\n");
  return true;
}

}  // namespace vk

#include "experiment/SlurmEngine.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "experiment/ExperimentRecord.h"
#include "experiment/RunFolder.h"
#include "experiment/ShellWord.h"
#include "experiment/TaskChunks.h"
#include "io/AtomicFile.h"
#include "io/ChildProcess.h"
#include "io/RunError.h"
#include "io/TextReader.h"

namespace vk {

namespace fs = std::filesystem;

namespace {

constexpr int kDefaultArrayTasks = 1000;
// How often a waiting calibration asks whether its array has ended, and how
// many times in a row Slurm may not answer before it gives up.
constexpr std::chrono::milliseconds kPollInterval(250);
constexpr int kSilentPolls = 40;

std::string slurmFolder(const std::string& dir) { return dir + "/slurm"; }
std::string taskListFile(const std::string& dir) { return slurmFolder(dir) + "/tasks.txt"; }

struct CommandResult {
  int exitCode = -1;
  std::string output;  // stdout and stderr together
};

// Runs a program found on PATH and collects its output; a program that
// cannot be started is a RunError.
CommandResult runProgram(const std::vector<std::string>& words) {
  char outputName[] = "/tmp/velquin-sbatch-XXXXXX";
  const int fd = ::mkstemp(outputName);
  if (fd < 0) throwFileError("create a temporary file", outputName, errno);
  ::close(fd);
  int error = 0;
  const pid_t pid = startChild(words, outputName, ChildOutput::Replace, &error);
  CommandResult result;
  if (pid < 0) {
    ::unlink(outputName);
    throw RunError("Cannot start " + words[0] + ": " + std::strerror(error) +
                   (error == ENOENT ? " (is Slurm installed, and is this a submit host?)" : ""));
  }
  const int status = waitForChild(pid);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream in(outputName, std::ios::binary);
  result.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  ::unlink(outputName);
  while (!result.output.empty() && (result.output.back() == '\n' || result.output.back() == ' '))
    result.output.pop_back();
  return result;
}

// The job id of sbatch --parsable: the line "id" or "id;cluster", which
// notices on stderr may precede or follow.
std::string submittedJobId(const CommandResult& result, const std::string& what) {
  std::string id;
  for (std::size_t start = 0; start <= result.output.size() && id.empty();) {
    const std::size_t end = std::min(result.output.find('\n', start), result.output.size());
    const std::string line = result.output.substr(start, end - start);
    const std::string word = line.substr(0, line.find(';'));
    if (!word.empty() && word.find_first_not_of("0123456789") == std::string::npos) id = word;
    start = end + 1;
  }
  if (result.exitCode != 0 || id.empty())
    throw RunError("sbatch could not submit " + what + " (exit status " + std::to_string(result.exitCode) +
                   "): " + result.output.substr(0, 500));
  return id;
}

// A path for sbatch's --output, where % starts a pattern: %% is a percent sign.
std::string slurmPattern(const std::string& path) {
  std::string escaped;
  for (char c : path) escaped += c == '%' ? std::string("%%") : std::string(1, c);
  return escaped;
}

std::string jobsFile(const std::string& dir) { return slurmFolder(dir) + "/jobs.txt"; }

void writeScript(const std::string& path, const std::string& text) {
  writeFileAtomically(path, text);
  if (::chmod(path.c_str(), 0755) != 0) throwFileError("make executable", path, errno);
}

// command: the task's program and arguments, as shell words, before --task.
std::string taskScript(const std::string& command) {
  return "#!/bin/sh\n"
         "# One array task: the runs listed for it in tasks.txt.\n"
         "exec " +
         command + " --task \"$SLURM_ARRAY_TASK_ID\"\n";
}

std::string collectorScript(const std::string& program, const std::string& dir) {
  return "#!/bin/sh\n"
         "# After every array task ended: results.csv, with the runs no task finished as failed.\n"
         "exec " +
         shellWord(program) + " sweep collect " + shellWord(dir) + " --after-cluster\n";
}

// What became of an array whose collector could not be submitted.
std::string cancelled(const std::string& arrayJob) {
  try {
    const CommandResult cancel = runProgram({"scancel", arrayJob});
    if (cancel.exitCode == 0) return "it has been cancelled.";
    return "cancelling it failed too (" + cancel.output.substr(0, 300) + "); cancel it by hand: scancel " + arrayJob;
  } catch (const RunError& e) {
    return std::string("cancelling it failed too (") + e.what() + "); cancel it by hand: scancel " + arrayJob;
  }
}

std::vector<std::string> sbatchCommand(const std::vector<std::string>& extraOptions) {
  std::vector<std::string> words = {"sbatch", "--parsable"};
  words.insert(words.end(), extraOptions.begin(), extraOptions.end());
  return words;
}

// Groups the runs into the array's tasks and lists them in DIR/slurm/tasks.txt.
std::vector<RunChunk> writeTaskList(const ExperimentPlan& plan, const std::string& dir, const std::vector<int>& runs,
                                    int maxArrayTasks, double taskSeconds) {
  std::vector<double> seconds;
  seconds.reserve(runs.size());
  for (int id : runs) seconds.push_back(plan.runs[id].estimatedSeconds);
  const std::vector<RunChunk> chunks = chunkRuns(runs, seconds, taskSeconds, maxArrayTasks);
  std::error_code error;
  fs::create_directories(slurmFolder(dir), error);
  if (error) throw RunError("Cannot create '" + slurmFolder(dir) + "': " + error.message());
  // Line t + 1 lists the runs of task t.
  std::string list;
  for (const RunChunk& chunk : chunks) {
    for (std::size_t i = 0; i < chunk.ids.size(); ++i) list += (i ? " " : "") + std::to_string(chunk.ids[i]);
    list += "\n";
  }
  writeFileAtomically(taskListFile(dir), list);
  return chunks;
}

// Submits DIR/slurm/task.sh as an array of `tasks` tasks; its id is recorded
// in jobs.txt before anything else can fail, so that no array runs unknown.
std::string submitArray(const std::string& dir, int tasks, const std::vector<std::string>& extraOptions) {
  std::vector<std::string> words = sbatchCommand(extraOptions);
  words.insert(words.end(), {"--job-name=velquin-runs", "--array=0-" + std::to_string(tasks - 1),
                             "--output=" + slurmPattern(dir) + "/slurm/task-%A_%a.log", dir + "/slurm/task.sh"});
  const std::string id = submittedJobId(runProgram(words), "the job array");
  writeFileAtomically(jobsFile(dir), id + "\n");
  return id;
}

struct QueueState {
  bool askable = true;
  std::string queued;  // "id STATE" of each job still queued, or why Slurm cannot be asked
};

QueueState queueState(const std::string& dir) {
  std::error_code error;
  if (!fs::exists(jobsFile(dir), error)) return {};
  std::string ids;
  TextReader list = TextReader::open(jobsFile(dir));
  while (!list.atEnd()) {
    const std::string id = list.readLineText();
    if (!id.empty()) ids += (ids.empty() ? "" : ",") + id;
  }
  if (ids.empty()) return {};
  CommandResult queue;
  try {
    queue = runProgram({"squeue", "--noheader", "--format=%i %T", "--jobs=" + ids});
  } catch (const RunError& e) {
    return {false, "the jobs " + ids + " of its last submission may still be queued, and Slurm cannot be asked (" +
                       e.what() + "); if they have ended, remove " + jobsFile(dir)};
  }
  // Jobs that have left the queue are unknown to squeue, which then says so
  // and fails; only the lines that begin with an id are jobs still queued.
  if (queue.exitCode != 0 && queue.output.find("Invalid job id") == std::string::npos)
    return {false, "the jobs " + ids + " of its last submission may still be queued, and Slurm cannot be asked (" +
                       queue.output.substr(0, 300) + "); if they have ended, remove " + jobsFile(dir)};
  QueueState state;
  for (std::size_t start = 0; start < queue.output.size();) {
    const std::size_t end = std::min(queue.output.find('\n', start), queue.output.size());
    const std::string line = queue.output.substr(start, end - start);
    if (!line.empty() && line[0] >= '0' && line[0] <= '9') state.queued += (state.queued.empty() ? "" : ", ") + line;
    start = end + 1;
  }
  return state;
}

}  // namespace

std::vector<std::string> splitOptionWords(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quote == '\'') {
      if (c == '\'')
        quote = 0;
      else
        word += c;
    } else if (c == '\\' && i + 1 < text.size()) {
      word += text[++i];
      inWord = true;
    } else if (quote == '"') {
      if (c == '"')
        quote = 0;
      else
        word += c;
    } else if (c == '\'' || c == '"') {
      quote = c;
      inWord = true;
    } else if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (quote) throw RunError("--sbatch: a quote is not closed in '" + text.substr(0, 80) + "'");
  if (inWord) words.push_back(word);
  return words;
}

int slurmArrayLimit() {
  try {
    // A line "MaxArraySize            = 1001"; the largest index is one less.
    const CommandResult result = runProgram({"scontrol", "show", "config"});
    const std::size_t at = result.output.find("MaxArraySize");
    if (result.exitCode != 0 || at == std::string::npos) return kDefaultArrayTasks;
    const std::size_t digits = result.output.find_first_of("0123456789", at);
    const int size = digits == std::string::npos ? 0 : std::atoi(result.output.c_str() + digits);
    if (size > 1) return size - 1;
  } catch (const RunError&) {
  }
  return kDefaultArrayTasks;
}

SlurmSubmission submitToSlurm(const ExperimentPlan& plan, const std::string& dir, const std::string& program,
                              const std::vector<std::string>& extraOptions, int maxArrayTasks, double taskSeconds) {
  const std::vector<RunChunk> chunks = writeTaskList(plan, dir, unfinishedRuns(plan, dir), maxArrayTasks, taskSeconds);
  SlurmSubmission submission;
  submission.tasks = static_cast<int>(chunks.size());
  for (const RunChunk& chunk : chunks) {
    const int runs = static_cast<int>(chunk.ids.size());
    const bool first = &chunk == &chunks.front();
    submission.fewestRuns = first ? runs : std::min(submission.fewestRuns, runs);
    submission.mostRuns = std::max(submission.mostRuns, runs);
    submission.fewestSeconds = first ? chunk.seconds : std::min(submission.fewestSeconds, chunk.seconds);
  }
  const std::string absoluteDir = fs::absolute(dir).lexically_normal().string();
  writeScript(slurmFolder(dir) + "/task.sh", taskScript(shellWord(program) + " sweep task " + shellWord(absoluteDir)));
  writeScript(slurmFolder(dir) + "/collect.sh", collectorScript(program, absoluteDir));

  std::string dependency;
  if (submission.tasks > 0) {
    submission.arrayJob = submitArray(absoluteDir, submission.tasks, extraOptions);
    dependency = "--dependency=afterany:" + submission.arrayJob;
  }
  std::vector<std::string> words = sbatchCommand(extraOptions);
  if (!dependency.empty()) words.push_back(dependency);
  words.insert(words.end(),
               {"--job-name=velquin-collect", "--output=" + slurmPattern(absoluteDir) + "/slurm/collect-%j.log",
                absoluteDir + "/slurm/collect.sh"});
  try {
    submission.collectorJob = submittedJobId(runProgram(words), "the collector job");
  } catch (const RunError& e) {
    if (submission.arrayJob.empty()) throw;
    throw RunError(std::string(e.what()) + "\nThe job array " + submission.arrayJob + " was submitted; " +
                   cancelled(submission.arrayJob));
  }
  writeFileAtomically(jobsFile(dir),
                      submission.arrayJob + (submission.arrayJob.empty() ? "" : "\n") + submission.collectorJob + "\n");
  return submission;
}

std::vector<int> runsOfTask(const ExperimentPlan& plan, const std::string& dir, int task) {
  TextReader list = TextReader::open(taskListFile(dir));
  for (int line = 0; line < task; ++line) {
    if (list.atEnd()) break;
    list.skipLine();
  }
  if (task < 0 || list.atEnd()) throw RunError(taskListFile(dir) + " lists no task " + std::to_string(task));
  std::vector<int> runs;
  const std::vector<std::string> ids = splitOptionWords(list.readLineText());
  for (const std::string& text : ids) {
    int id = -1;
    if (!parseInt(text, id) || id < 0 || id >= static_cast<int>(plan.runs.size()))
      throw RunError(taskListFile(dir) + ", line " + std::to_string(task + 1) + ": '" + text + "' is no run");
    runs.push_back(id);
  }
  return runs;
}

std::string queuedSlurmJobs(const std::string& dir) {
  const QueueState state = queueState(dir);
  if (!state.askable) return state.queued;
  return state.queued.empty() ? std::string() : "its last submission is still queued or running (" + state.queued + ")";
}

int runArrayToTheEnd(const ExperimentPlan& plan, const std::string& dir, const std::vector<int>& runs,
                     const std::string& taskCommand, const std::vector<std::string>& extraOptions, int maxArrayTasks,
                     double taskSeconds) {
  const std::vector<RunChunk> chunks = writeTaskList(plan, dir, runs, maxArrayTasks, taskSeconds);
  if (chunks.empty()) return 0;
  const std::string absoluteDir = fs::absolute(dir).lexically_normal().string();
  writeScript(slurmFolder(dir) + "/task.sh", taskScript(taskCommand));
  submitArray(absoluteDir, static_cast<int>(chunks.size()), extraOptions);
  // squeue may miss a beat on a busy controller; only a lasting silence is
  // an error, as the array's runs may still be under way.
  int silent = 0;
  for (;;) {
    const QueueState state = queueState(dir);
    if (state.askable && state.queued.empty()) break;
    silent = state.askable ? 0 : silent + 1;
    if (silent >= kSilentPolls) throw RunError("Waiting for the job array: " + state.queued);
    std::this_thread::sleep_for(kPollInterval);
  }
  return static_cast<int>(chunks.size());
}

}  // namespace vk

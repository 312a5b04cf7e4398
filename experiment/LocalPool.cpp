#include "experiment/LocalPool.h"

#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <thread>

#include "experiment/InputCheck.h"
#include "experiment/RunFolder.h"
#include "io/RunError.h"

extern char** environ;

namespace vk {

namespace {

struct ForkedProgram {
  std::string program;
  CommandRunner runner;
};

ForkedProgram& forkedProgram() {
  static ForkedProgram forked;
  return forked;
}

// The run's command in a fork of this process, its output in the log.
pid_t forkRun(const std::vector<std::string>& words, const std::string& log, std::string& problem) {
  std::fflush(nullptr);  // or the child would write the pool's pending output again
  const pid_t pid = ::fork();
  if (pid < 0) {
    problem = std::string("cannot start a run: ") + std::strerror(errno);
    return -1;
  }
  if (pid > 0) return pid;
  const int in = ::open("/dev/null", O_RDONLY);
  const int out = ::open(log.c_str(), O_WRONLY | O_APPEND);
  if (in < 0 || out < 0 || ::dup2(in, STDIN_FILENO) < 0 || ::dup2(out, STDOUT_FILENO) < 0 ||
      ::dup2(out, STDERR_FILENO) < 0)
    ::_exit(127);
  ::close(in);
  ::close(out);
  int code = 1;
  try {
    code = forkedProgram().runner(words);
  } catch (...) {
  }
  std::fflush(nullptr);
  ::_exit(code);
}

// Starts the run with its output in its log; -1 and the reason when it cannot.
pid_t startRun(const std::string& program, const std::string& dir, const PlannedRun& run, std::string& problem) {
  const std::vector<std::string> words = runCommandLine(program, dir, run);
  try {
    startRunLog(program, dir, run);
  } catch (const RunError& e) {
    problem = e.what();
    return -1;
  }
  const std::string log = runLogFile(dir, run);
  if (forkedProgram().runner && program == forkedProgram().program) return forkRun(words, log, problem);
  std::vector<char*> argv;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_APPEND, 0);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = -1;
  const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    problem = "cannot start '" + program + "': " + std::strerror(error);
    return -1;
  }
  return pid;
}

}  // namespace

void runForkedWhenProgramIs(const std::string& program, CommandRunner runner) {
  forkedProgram() = {program, std::move(runner)};
}

int availableCores() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
  const unsigned n = std::thread::hardware_concurrency();
  return n > 0 ? static_cast<int>(n) : 1;
}

int runLocally(const std::string& program, const std::string& dir, const ExperimentPlan& plan,
               const std::vector<int>& ids, int jobs, const RunEndedCallback& ended) {
  const PlannedRuns& runs = plan.runs;
  InputCheck inputs(plan.inputs);
  std::map<pid_t, PlannedRun> running;
  std::size_t next = 0;
  int failed = 0;
  const auto finish = [&](const PlannedRun& run, bool done) {
    if (!done) ++failed;
    ended(run, done);
  };
  while (next < ids.size() || !running.empty()) {
    while (next < ids.size() && static_cast<int>(running.size()) < jobs) {
      PlannedRun run = runs[ids[next++]];
      std::string problem;
      try {
        prepareRunFolder(dir, run);
      } catch (const RunError& e) {
        problem = e.what();
      }
      const pid_t pid = problem.empty() ? startRun(program, dir, run, problem) : -1;
      if (pid > 0) {
        running.emplace(pid, std::move(run));
        continue;
      }
      markRunFailed(dir, run, problem);
      finish(run, false);
    }
    if (running.empty()) continue;
    int status = 0;
    const pid_t pid = ::waitpid(-1, &status, 0);
    if (pid < 0) {
      if (errno == EINTR) continue;
      throw RunError(std::string("Lost track of the runs: ") + std::strerror(errno));
    }
    const auto found = running.find(pid);
    if (found == running.end()) continue;
    const PlannedRun run = std::move(found->second);
    running.erase(found);
    const std::string changed = inputs.problemOf(run);
    if (!changed.empty()) {
      markRunFailed(dir, run, changed);
      finish(run, false);
      continue;
    }
    finish(run, markRunEnded(dir, run, status));
  }
  return failed;
}

}  // namespace vk

#include "experiment/LocalPool.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <thread>

#include "experiment/InputCheck.h"
#include "experiment/RunFolder.h"
#include "experiment/RunWorker.h"
#include "io/RunError.h"

extern char** environ;

namespace vk {

namespace {

struct SelfRunner {
  std::string program;
  CommandRunner runner;
};

SelfRunner& selfRunner() {
  static SelfRunner self;
  return self;
}

// Starts runs, each in a slot of the pool, and waits for them to end.
class Launcher {
 public:
  virtual ~Launcher() = default;
  // Starts the command line in the free slot with its output appended to
  // the log; false and the reason when it cannot.
  virtual bool start(std::size_t slot, const std::vector<std::string>& words, const std::string& log,
                     std::string& problem) = 0;
  // Waits until one of the runs started ends: its slot and wait status.
  virtual std::pair<std::size_t, int> waitForOne() = 0;
};

// Another program than this one: a process of its own for each run.
class ProcessLauncher : public Launcher {
 public:
  bool start(std::size_t slot, const std::vector<std::string>& words, const std::string& log,
             std::string& problem) override {
    std::vector<char*> argv;
    for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_APPEND, 0);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, words[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
      problem = "cannot start '" + words[0] + "': " + std::strerror(error);
      return false;
    }
    slots_[pid] = slot;
    return true;
  }

  std::pair<std::size_t, int> waitForOne() override {
    for (;;) {
      int status = 0;
      const pid_t pid = ::waitpid(-1, &status, 0);
      if (pid < 0) {
        if (errno == EINTR) continue;
        throw RunError(std::string("Lost track of the runs: ") + std::strerror(errno));
      }
      const auto found = slots_.find(pid);
      if (found == slots_.end()) continue;
      const std::size_t slot = found->second;
      slots_.erase(found);
      return {slot, status};
    }
  }

 private:
  std::map<pid_t, std::size_t> slots_;
};

// This very program: a worker per slot runs the slot's runs one after
// another; a worker that died, with its run, is started anew for the next.
class WorkerLauncher : public Launcher {
 public:
  explicit WorkerLauncher(std::size_t slots) : workers_(slots) {}

  bool start(std::size_t slot, const std::vector<std::string>& words, const std::string& log,
             std::string& problem) override {
    RunWorker& worker = workers_[slot];
    try {
      // One that died between runs is seen as the run is handed over.
      for (int attempt = 0; attempt < 2; ++attempt) {
        if (!worker.started()) worker.start(selfRunner().runner, connectionsBut(slot));
        if (worker.send(words, log)) return true;
      }
    } catch (const RunError& e) {
      problem = e.what();
      return false;
    }
    problem = "cannot start a run: its worker process ended at once";
    return false;
  }

  std::pair<std::size_t, int> waitForOne() override {
    std::vector<pollfd> waiting;
    std::vector<std::size_t> slots;
    for (std::size_t slot = 0; slot < workers_.size(); ++slot)
      if (workers_[slot].busy()) {
        waiting.push_back({workers_[slot].connection(), POLLIN, 0});
        slots.push_back(slot);
      }
    for (;;) {
      if (::poll(waiting.data(), waiting.size(), -1) < 0) {
        if (errno == EINTR) continue;
        throw RunError(std::string("Lost track of the runs: ") + std::strerror(errno));
      }
      for (std::size_t i = 0; i < waiting.size(); ++i)
        if (waiting[i].revents != 0) return {slots[i], workers_[slots[i]].receive()};
    }
  }

 private:
  std::vector<int> connectionsBut(std::size_t slot) const {
    std::vector<int> connections;
    for (std::size_t other = 0; other < workers_.size(); ++other)
      if (other != slot && workers_[other].started()) connections.push_back(workers_[other].connection());
    return connections;
  }

  std::vector<RunWorker> workers_;
};

std::unique_ptr<Launcher> launcherFor(const std::string& program, std::size_t slots) {
  if (selfRunner().runner && program == selfRunner().program) return std::make_unique<WorkerLauncher>(slots);
  return std::make_unique<ProcessLauncher>();
}

// Empties the run's folder, writes its inputs and starts its log; why not,
// when it cannot.
std::string prepareRun(const std::string& program, const std::string& dir, const PlannedRun& run) {
  try {
    prepareRunFolder(dir, run);
    startRunLog(program, dir, run);
  } catch (const RunError& e) {
    return e.what();
  }
  return std::string();
}

}  // namespace

void runInWorkersWhenProgramIs(const std::string& program, CommandRunner runner) {
  selfRunner() = {program, std::move(runner)};
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
  const std::unique_ptr<Launcher> launcher = launcherFor(program, static_cast<std::size_t>(jobs));
  std::vector<std::optional<PlannedRun>> slots(static_cast<std::size_t>(jobs));
  std::size_t next = 0;
  int running = 0;
  int failed = 0;
  const auto finish = [&](const PlannedRun& run, bool done) {
    if (!done) ++failed;
    ended(run, done);
  };
  while (next < ids.size() || running > 0) {
    for (std::size_t slot = 0; slot < slots.size(); ++slot) {
      while (!slots[slot] && next < ids.size()) {
        PlannedRun run = runs[ids[next++]];
        std::string problem = prepareRun(program, dir, run);
        if (problem.empty() &&
            launcher->start(slot, runCommandLine(program, dir, run), runLogFile(dir, run), problem)) {
          slots[slot] = std::move(run);
          ++running;
          continue;
        }
        markRunFailed(dir, run, problem);
        finish(run, false);
      }
    }
    if (running == 0) continue;
    const auto [slot, status] = launcher->waitForOne();
    const PlannedRun run = std::move(*slots[slot]);
    slots[slot].reset();
    --running;
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

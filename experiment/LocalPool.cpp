#include "experiment/LocalPool.h"

#include <poll.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
#include "io/ChildProcess.h"
#include "io/RunError.h"

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

// Marks the run that ended with the wait status: done, unless it failed or
// an input it may have read changed meanwhile. True when done.
bool finishRun(const std::string& dir, const PlannedRun& run, int waitStatus, InputCheck& inputs) {
  const std::string changed = inputs.problemOf(run);
  if (changed.empty()) return markRunEnded(dir, run, waitStatus);
  markRunFailed(dir, run, changed);
  return false;
}

// Each worker keeps a connection open in the pool: a pool of as many jobs as
// a large machine has cores would otherwise run out of descriptors at the
// usual soft limit of 1024, and fail the runs it cannot hand out.
void allowDescriptorsFor(std::size_t workers) {
  const rlim_t needed = workers + 64;  // and the pool's own files
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= needed) return;
  limit.rlim_cur = std::min(limit.rlim_max, needed);
  static_cast<void>(::setrlimit(RLIMIT_NOFILE, &limit));
}

// Starts runs, each in a slot of the pool, and waits for them to end.
class Launcher {
 public:
  virtual ~Launcher() = default;
  // Starts the run in the free slot; false and the reason when it cannot.
  virtual bool start(std::size_t slot, const PlannedRun& run, std::string& problem) = 0;
  // Waits until one of the runs started ends and is marked: its slot, and
  // whether it is done.
  virtual std::pair<std::size_t, bool> waitForOne() = 0;
};

// Another program than this one: a process of its own for each run, which
// the pool marks once it ended.
class ProcessLauncher : public Launcher {
 public:
  ProcessLauncher(const std::string& program, const std::string& dir, const ExperimentPlan& plan)
      : program_(program), dir_(dir), inputs_(plan.inputs) {}

  bool start(std::size_t slot, const PlannedRun& run, std::string& problem) override {
    problem = prepareRun(program_, dir_, run);
    if (!problem.empty()) return false;
    const std::vector<std::string> words = runCommandLine(program_, dir_, run);
    const std::string log = runLogFile(dir_, run);
    int error = 0;
    const pid_t pid = startChild(words, log, ChildOutput::Append, &error);
    if (pid < 0) {
      problem = "cannot start '" + program_ + "': " + std::strerror(error);
      return false;
    }
    running_.emplace(pid, std::make_pair(slot, run));
    return true;
  }

  std::pair<std::size_t, bool> waitForOne() override {
    for (;;) {
      int status = 0;
      const pid_t pid = ::waitpid(-1, &status, 0);
      if (pid < 0) {
        if (errno == EINTR) continue;
        throw RunError(std::string("Lost track of the runs: ") + std::strerror(errno));
      }
      const auto found = running_.find(pid);
      if (found == running_.end()) continue;
      const auto [slot, run] = std::move(found->second);
      running_.erase(found);
      return {slot, finishRun(dir_, run, status, inputs_)};
    }
  }

 private:
  std::string program_, dir_;
  InputCheck inputs_;
  std::map<pid_t, std::pair<std::size_t, PlannedRun>> running_;
};

// This very program: a worker per slot prepares, runs and marks the slot's
// runs one after another, so that the pool's process, which only hands them
// out, holds no job back. A worker that died is marked with its run here,
// and started anew for the next.
class WorkerLauncher : public Launcher {
 public:
  WorkerLauncher(const std::string& program, const std::string& dir, const ExperimentPlan& plan, std::size_t slots)
      : dir_(dir), inputs_(plan.inputs), workers_(slots), running_(slots) {
    allowDescriptorsFor(slots);
    // The worker's copy of the plan, the check of the inputs and the
    // runner are its own once forked.
    task_ = [program, dir, &plan, inputs = InputCheck(plan.inputs)](const std::string& request) mutable {
      const PlannedRun run = plan.runs[static_cast<std::size_t>(std::stoul(request))];
      const std::string problem = prepareRun(program, dir, run);
      if (!problem.empty()) {
        markRunFailed(dir, run, problem);
        return std::int32_t{0};
      }
      const int status =
          runCommandInWorker(selfRunner().runner, runCommandLine(program, dir, run), runLogFile(dir, run));
      return std::int32_t{finishRun(dir, run, status, inputs) ? 1 : 0};
    };
  }

  bool start(std::size_t slot, const PlannedRun& run, std::string& problem) override {
    RunWorker& worker = workers_[slot];
    try {
      // One that died between runs is seen as the run is handed over.
      for (int attempt = 0; attempt < 2; ++attempt) {
        if (!worker.started()) worker.start(task_, connectionsBut(slot));
        if (worker.send(std::to_string(run.id))) {
          running_[slot] = run;
          return true;
        }
      }
    } catch (const RunError& e) {
      problem = e.what();
      return false;
    }
    problem = "cannot start a run: its worker process ended at once";
    return false;
  }

  std::pair<std::size_t, bool> waitForOne() override {
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
        if (waiting[i].revents != 0) return {slots[i], received(slots[i])};
    }
  }

 private:
  bool received(std::size_t slot) {
    int deathStatus = 0;
    const std::optional<std::int32_t> done = workers_[slot].receive(&deathStatus);
    if (done) return *done == 1;
    // A worker that died once its run was marked done leaves the run as it
    // is: marking it failed now would remove a lean run's summaries.
    if (runOutcome(dir_, running_[slot], nullptr) == RunOutcome::Done) return true;
    return finishRun(dir_, running_[slot], deathStatus, inputs_);
  }

  std::vector<int> connectionsBut(std::size_t slot) const {
    std::vector<int> connections;
    for (std::size_t other = 0; other < workers_.size(); ++other)
      if (other != slot && workers_[other].started()) connections.push_back(workers_[other].connection());
    return connections;
  }

  std::string dir_;
  InputCheck inputs_;
  WorkerTask task_;
  std::vector<RunWorker> workers_;
  std::vector<PlannedRun> running_;
};

std::unique_ptr<Launcher> launcherFor(const std::string& program, const std::string& dir, const ExperimentPlan& plan,
                                      std::size_t slots) {
  if (selfRunner().runner && program == selfRunner().program)
    return std::make_unique<WorkerLauncher>(program, dir, plan, slots);
  return std::make_unique<ProcessLauncher>(program, dir, plan);
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
  const std::unique_ptr<Launcher> launcher = launcherFor(program, dir, plan, static_cast<std::size_t>(jobs));
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
        std::string problem;
        if (launcher->start(slot, run, problem)) {
          slots[slot] = std::move(run);
          ++running;
          continue;
        }
        markRunFailed(dir, run, problem);
        finish(run, false);
      }
    }
    if (running == 0) continue;
    const auto [slot, done] = launcher->waitForOne();
    const PlannedRun run = std::move(*slots[slot]);
    slots[slot].reset();
    --running;
    finish(run, done);
  }
  return failed;
}

}  // namespace vk

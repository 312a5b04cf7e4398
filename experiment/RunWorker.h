#pragma once
// A worker of the local engine: a fork of this process that does the pool's
// requests one after another, each a run of this very program's command line
// in the worker itself, with its output in its own log. A short run costs
// less than the start of a process, its first touch of a fresh heap and the
// binding of the program's symbols; the worker pays them once for all its
// runs.
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vk {

// A command line run by this very program: its exit status. It leaves the
// standard streams open, flushed, for the next run.
using CommandRunner = std::function<int(const std::vector<std::string>& words)>;

// What a worker does for one request, in the worker: its answer.
using WorkerTask = std::function<std::int32_t(const std::string& request)>;

// In a worker: runs the command line in this process, with its output
// appended to `log`, in the folder the worker started in, whichever folder
// the command before changed into. The wait status of a process of its own
// that ran it: the runner's exit status, 1 when it threw, 127 when the log
// could not be opened.
int runCommandInWorker(const CommandRunner& runner, const std::vector<std::string>& words, const std::string& log);

class RunWorker {
 public:
  RunWorker() = default;
  RunWorker(const RunWorker&) = delete;
  RunWorker& operator=(const RunWorker&) = delete;
  // Ends the worker: it leaves once its request is done, and is waited for.
  ~RunWorker();

  bool started() const { return pid_ > 0; }
  // A request was handed over and its answer not yet received.
  bool busy() const { return busy_; }
  // The pool's end of the worker's connection, to wait on; -1 before start.
  int connection() const { return connection_; }

  // Forks the worker, which answers each request with the task. `inherited`
  // are descriptors of the pool the worker must not keep open (other
  // workers' connections). A RunError says why it could not start.
  void start(const WorkerTask& task, const std::vector<int>& inherited);

  // Hands the worker a request. False when the worker has gone; it is then
  // ended and may be started again.
  bool send(const std::string& request);

  // Once the connection is readable: the task's answer. A worker that died
  // on the request gives none, its own wait status (a signal that killed
  // it, or its exit status) in *deathStatus, and is ended.
  std::optional<std::int32_t> receive(int* deathStatus);

 private:
  int end();

  pid_t pid_ = -1;
  int connection_ = -1;
  bool busy_ = false;
};

}  // namespace vk

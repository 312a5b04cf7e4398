#pragma once
// A worker of the local engine: a fork of this process that runs command
// lines of this very program one after another, each with its output in its
// own log. A short run costs less than the start of a process, its first
// touch of a fresh heap and the binding of the program's symbols; the worker
// pays them once for all its runs.
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace vk {

// A command line run by this very program: its exit status. It leaves the
// standard streams open, flushed, for the next run.
using CommandRunner = std::function<int(const std::vector<std::string>& words)>;

class RunWorker {
 public:
  RunWorker() = default;
  RunWorker(const RunWorker&) = delete;
  RunWorker& operator=(const RunWorker&) = delete;
  // Ends the worker: it leaves once its run is over, and is waited for.
  ~RunWorker();

  bool started() const { return pid_ > 0; }
  // A run was handed over and its end not yet received.
  bool busy() const { return busy_; }
  // The pool's end of the worker's connection, to wait on; -1 before start.
  int connection() const { return connection_; }

  // Forks the worker. `inherited` are descriptors of the pool the worker
  // must not keep open (other workers' connections). A RunError says why it
  // could not start.
  void start(const CommandRunner& runner, const std::vector<int>& inherited);

  // Hands the worker a command line, its output into `log` (appended). False
  // when the worker has gone; it is then ended and may be started again.
  bool send(const std::vector<std::string>& words, const std::string& log);

  // Once the connection is readable: the wait status of the run, as if it had
  // been a process of its own. A worker that died during the run gives its
  // own wait status (a signal that killed it, or its exit status) and is
  // ended.
  int receive();

 private:
  int end();

  pid_t pid_ = -1;
  int connection_ = -1;
  bool busy_ = false;
};

}  // namespace vk

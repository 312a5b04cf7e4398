#pragma once
// A second, real process that takes a result directory's lock and holds it
// until the test lets it go or kills it: the lock is the kernel's, so only
// another process can show that it keeps a run or a summary out.
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "io/ResultLock.h"

namespace vk::testing {

class LockingProcess {
 public:
  // A run's lock also marks the run as "all", writing path 3.
  LockingProcess(const std::string& directory, ResultLock::Use use) {
    int ready[2], release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(release[1]);
      char state = '0';
      try {
        ResultLock lock(directory, use);
        if (use == ResultLock::Use::Run) {
          lock.markStarted("all", ResultLock::Paths::Renewed, {"r", "w", "q", "f"});
          lock.markPath(3);
        }
        state = '1';
        (void)!::write(ready[1], &state, 1);
        (void)!::read(release[0], &state, 1);  // until the test closes its end
      } catch (...) {
        (void)!::write(ready[1], &state, 1);
      }
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    char state = '0';
    locked_ = ::read(ready[0], &state, 1) == 1 && state == '1';
    ::close(ready[0]);
    release_ = release[1];
  }
  LockingProcess(const LockingProcess&) = delete;
  LockingProcess& operator=(const LockingProcess&) = delete;
  ~LockingProcess() { end(); }

  bool locked() const { return locked_; }
  pid_t pid() const { return pid_; }

  // Lets the process end normally (its lock goes with it).
  void end() {
    if (release_ >= 0) ::close(release_);
    release_ = -1;
    reap();
  }
  // Ends it as a crash or a kill would, its mark left behind.
  void kill() {
    if (pid_ > 0) ::kill(pid_, SIGKILL);
    end();
  }

 private:
  void reap() {
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

  pid_t pid_ = -1;
  int release_ = -1;
  bool locked_ = false;
};

}  // namespace vk::testing

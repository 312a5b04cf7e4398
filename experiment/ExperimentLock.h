#pragma once
// The owner of an experiment folder. A sweep run, a collector, a submission
// to the cluster (or any other command that changes the folder's runs, table
// or record) owns the folder alone; the array tasks of one submission share
// it among themselves. Nobody waits: a folder owned the other way is refused
// at once, naming the holder. The lock is the operating system's flock on
// DIR/sweep.lock, dropped by the kernel however its holder ends; while an
// owner holds it, the file says who that is.
//
// The file is never removed: a process that opened it just before another
// removed it would lock a file nobody else can see.
#include <string>

namespace vk {

constexpr const char* kExperimentLockName = "sweep.lock";

class ExperimentLock {
 public:
  enum class Use { Owner, ArrayTask };

  // Takes the lock of the folder, which must exist; `command` names the
  // holder in a refusal of another ("sweep run", "sweep collect").
  ExperimentLock(const std::string& dir, const std::string& command, Use use = Use::Owner);
  ExperimentLock(const ExperimentLock&) = delete;
  ExperimentLock& operator=(const ExperimentLock&) = delete;
  // Empties the owner's mark and releases the lock.
  ~ExperimentLock();

 private:
  int fd_ = -1;
  bool owner_ = false;
};

}  // namespace vk

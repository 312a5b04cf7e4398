#include "experiment/ExperimentLock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "io/ResultLock.h"
#include "io/RunError.h"

namespace vk {

namespace {

// The owner's mark: one short line.
std::string markOf(int fd) {
  char text[512];
  const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
  std::string mark(text, n > 0 ? static_cast<std::size_t>(n) : 0);
  while (!mark.empty() && mark.back() == '\n') mark.pop_back();
  return mark;
}

[[noreturn]] void refuseHeld(const std::string& dir, const std::string& command, int fd) {
  const std::string mark = markOf(fd);
  const std::string who = otherLockHolders(fd);
  std::string holder;
  if (!mark.empty())
    holder = mark;
  else if (!who.empty())
    holder = "the cluster's array tasks, process " + who;
  else
    holder = "a process on another machine";
  throw RunError("The experiment folder " + quoted(dir, std::string::npos) + " is in use by " + holder + ". " +
                 command + " is refused; wait for the other to end.");
}

}  // namespace

ExperimentLock::ExperimentLock(const std::string& dir, const std::string& command, Use use)
    : owner_(use == Use::Owner) {
  const std::string path = dir + "/" + kExperimentLockName;
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0) throwFileError("open the lock file", path, errno);
  flockOrRefuse(fd_, owner_, path, [&](int held) { refuseHeld(dir, command, held); });
  if (!owner_) return;
  const std::string mark = command + " (" + thisProcessMark() + ")\n";
  if (::pwrite(fd_, mark.data(), mark.size(), 0) != static_cast<ssize_t>(mark.size()) ||
      ::ftruncate(fd_, static_cast<off_t>(mark.size())) != 0) {
    const int error = errno;
    ::close(fd_);
    throwFileError("write to file", path, error);
  }
}

ExperimentLock::~ExperimentLock() {
  if (fd_ < 0) return;
  // A mark that cannot be emptied names an owner that has gone; the next
  // owner overwrites it.
  if (owner_ && ::ftruncate(fd_, 0) != 0) errno = 0;
  ::close(fd_);
}

}  // namespace vk

#include "io/ResultLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <vector>

#include "io/RunError.h"
#include "io/TextFormat.h"

namespace vk {

namespace {

const char* const kPathMark = "path ";

struct Holder {
  long pid = 0;
  bool writing = false;
};

// The holders of flock locks on the file, from the kernel's table of locks.
std::vector<Holder> holdersOf(int fd) {
  std::vector<Holder> holders;
  struct stat info;
  if (::fstat(fd, &info) != 0) return holders;
  std::ifstream table("/proc/locks");
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string number, type, advisory, access, device;
    long pid = 0;
    fields >> number >> type >> advisory >> access >> pid >> device;
    if (!fields || type != "FLOCK") continue;  // waiters are listed as "->"
    unsigned major = 0, minor = 0;
    unsigned long long inode = 0;
    if (std::sscanf(device.c_str(), "%x:%x:%llu", &major, &minor, &inode) != 3) continue;
    if (inode == info.st_ino && major == ::major(info.st_dev) && minor == ::minor(info.st_dev))
      holders.push_back({pid, access == "WRITE"});
  }
  return holders;
}

// What is in the lock's file; a read that fails reads as no mark.
std::string markText(int fd) {
  std::string text;
  char block[512];
  off_t offset = 0;
  for (;;) {
    const ssize_t n = ::pread(fd, block, sizeof block, offset);
    if (n <= 0) break;
    text.append(block, static_cast<std::size_t>(n));
    offset += n;
    if (text.size() > 4096) break;  // a mark is two short lines
  }
  return text;
}

std::optional<UnfinishedRun> parseMark(const std::string& text) {
  if (text.empty()) return std::nullopt;
  UnfinishedRun run;
  std::istringstream lines(text);
  std::getline(lines, run.run);
  std::string pathLine;
  if (std::getline(lines, pathLine) && pathLine.compare(0, 5, kPathMark) == 0) {
    try {
      run.cutPath = std::stoi(pathLine.substr(5));
    } catch (const std::exception&) {
      run.cutPath = -1;
    }
  }
  return run;
}

std::string nowUtc() {
  const std::time_t now = std::time(nullptr);
  std::tm utc;
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &utc);
  return text;
}

// On a shared file system the process may run on another machine.
std::string hostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "this host";
  return name;
}

[[noreturn]] void refuseHeld(const std::string& directory, ResultLock::Use use, int fd) {
  const std::optional<UnfinishedRun> mark = parseMark(markText(fd));
  std::string who;
  bool runHolds = false;
  for (const Holder& h : holdersOf(fd)) {
    if (h.pid == ::getpid()) continue;
    who += (who.empty() ? "" : ", ") + plainInt(h.pid);
    runHolds = runHolds || h.writing;
  }
  // Holders on another machine of a network file system are not listed
  // here. A summary is only kept out by a run; a run by either.
  if (who.empty()) runHolds = use == ResultLock::Use::Summary;
  const std::string holder = who.empty() ? "another process" : "process " + who;
  std::string message = "The result directory " + quoted(directory, std::string::npos) + " is in use: ";
  if (runHolds)
    message += "a run is writing it (" + holder + (mark ? "; " + mark->run : "") + ")";
  else if (!who.empty())
    message += "a summary is reading it (" + holder + ")";
  else
    message += "another process holds it" + (mark ? " (the last run's mark: " + mark->run + ")" : std::string());
  message += use == ResultLock::Use::Run ? ". A second run into it is refused; wait for the other to end, or choose "
                                           "another result directory."
                                         : ". Summarise it when the run has ended.";
  throw RunError(message);
}

}  // namespace

std::string otherLockHolders(int fd) {
  std::string who;
  for (const Holder& h : holdersOf(fd))
    if (h.pid != ::getpid()) who += (who.empty() ? "" : ", ") + plainInt(h.pid);
  return who;
}

int flockWithoutWaiting(int fd, bool exclusive) {
  int result;
  do {
    result = ::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  return result == 0 ? 0 : errno;
}

std::string thisProcessMark() {
  return "process " + plainInt(::getpid()) + " on " + hostName() + ", started " + nowUtc();
}

void checkResultDirectoryName(const std::string& directory, const std::string& what) {
  if (directory.empty())
    throw RunError("The result directory name" + (what.empty() ? std::string() : " " + what) +
                   " is empty; it would put the files at the root of the file system. Name a directory, "
                   "such as result or . for the working directory.");
}

ResultLock::ResultLock(const std::string& directory, Use use) : path_(directory + "/" + kLockFileName) {
  checkResultDirectoryName(directory, "");
  fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  // A summary only reads the mark; a lock file it may not write still locks.
  if (fd_ < 0 && use == Use::Summary && (errno == EACCES || errno == EROFS))
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  // A directory that does not exist holds nothing a run could be writing; the
  // summary's own first file names it as missing.
  if (fd_ < 0 && use == Use::Summary && errno == ENOENT) return;
  if (fd_ < 0) throwFileError("open the lock file", path_, errno);
  const int error = flockWithoutWaiting(fd_, use == Use::Run);
  if (error != 0) {
    struct Closer {
      int fd;
      ~Closer() { ::close(fd); }
    } closer{fd_};
    fd_ = -1;
    if (error == EWOULDBLOCK) refuseHeld(directory, use, closer.fd);
    throwFileError("lock the file", path_, error);
  }
  unfinished_ = parseMark(markText(fd_));
}

ResultLock::~ResultLock() {
  if (fd_ >= 0) ::close(fd_);
}

void ResultLock::writeMark(const std::string& text) {
  const ssize_t n = ::pwrite(fd_, text.data(), text.size(), 0);
  if (n != static_cast<ssize_t>(text.size()) || ::ftruncate(fd_, static_cast<off_t>(text.size())) != 0)
    throwFileError("write to file", path_, n < 0 || n == static_cast<ssize_t>(text.size()) ? errno : ENOSPC);
}

void ResultLock::markStarted(const std::string& mode) {
  started_ = "mode " + mode + ", " + thisProcessMark();
  writeMark(started_ + "\n");
}

void ResultLock::markPath(int pathNumber) { writeMark(started_ + "\n" + kPathMark + plainInt(pathNumber) + "\n"); }

void ResultLock::markFinished() {
  if (::ftruncate(fd_, 0) != 0) throwFileError("write to file", path_, errno);
}

std::optional<UnfinishedRun> readUnfinishedRun(const std::string& directory) {
  const int fd = ::open((directory + "/" + kLockFileName).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  const std::string text = markText(fd);
  ::close(fd);
  return parseMark(text);
}

std::string unfinishedRunNote(const std::string& directory, const UnfinishedRun& run) {
  std::string note = "The last run in " + quoted(directory, std::string::npos) + " did not finish (" + run.run + ")";
  if (run.cutPath >= 0)
    note += ": path " + plainInt(run.cutPath) +
            " was cut short, and the files of later paths may be left from an "
            "earlier run";
  return note + ".";
}

}  // namespace vk

#include "io/ResultLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <vector>

#include "io/RunError.h"
#include "io/TextFormat.h"
#include "io/TextReader.h"

namespace vk {

namespace {

const char* const kPathMark = "path ";
// "paths 0-9", or "paths none" before the first path is complete.
const char* const kRecordMark = "paths ";
const char* const kNoPaths = "none";

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
    if (text.size() > 4096) break;  // a mark is three short lines
  }
  return text;
}

bool startsWith(const std::string& line, const char* head) { return line.rfind(head, 0) == 0; }

// The record "paths 0-N" or "paths none"; anything else is no record.
std::optional<WrittenPaths> parseRecord(const std::string& line) {
  const std::string range = line.substr(std::char_traits<char>::length(kRecordMark));
  if (range == kNoPaths) return WrittenPaths{0};
  int last = -1;
  if (!startsWith(range, "0-") || !parseInt(range.substr(2), last) || last < 0 || last == INT_MAX) return std::nullopt;
  return WrittenPaths{last + 1};
}

struct Mark {
  std::optional<UnfinishedRun> unfinished;
  std::optional<WrittenPaths> written;
};

// A run's mark is its first line, then "path N"; the record may follow, or
// stand alone once the run has completed.
Mark parseMark(const std::string& text) {
  Mark mark;
  std::istringstream lines(text);
  std::string line;
  for (bool first = true; std::getline(lines, line); first = false) {
    if (startsWith(line, kRecordMark)) {
      mark.written = parseRecord(line);
    } else if (first) {
      mark.unfinished = UnfinishedRun{line, -1};
    } else if (startsWith(line, kPathMark) && mark.unfinished) {
      if (!parseInt(line.substr(std::char_traits<char>::length(kPathMark)), mark.unfinished->cutPath))
        mark.unfinished->cutPath = -1;
    }
  }
  return mark;
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
  const std::optional<UnfinishedRun> mark = parseMark(markText(fd)).unfinished;
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
  // A run needs the directory to be there; said plainly, not as a lock file
  // that cannot be opened.
  if (fd_ < 0 && (errno == ENOENT || errno == ENOTDIR)) {
    const int openError = errno;
    struct stat info {};
    if (::stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
      throw RunError("The result directory '" + directory + "' does not exist. Create it, or name another one.");
    errno = openError;
  }
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
  const Mark mark = parseMark(markText(fd_));
  unfinished_ = mark.unfinished;
  found_ = mark.written;
  record_ = found_;
}

ResultLock::~ResultLock() {
  if (fd_ >= 0) ::close(fd_);
}

void ResultLock::writeMark(const std::string& text) {
  const ssize_t n = ::pwrite(fd_, text.data(), text.size(), 0);
  if (n != static_cast<ssize_t>(text.size()) || ::ftruncate(fd_, static_cast<off_t>(text.size())) != 0)
    throwFileError("write to file", path_, n < 0 || n == static_cast<ssize_t>(text.size()) ? errno : ENOSPC);
}

std::string ResultLock::recordLine() const {
  if (!record_) return std::string();
  return kRecordMark + (record_->count == 0 ? std::string(kNoPaths) : "0-" + plainInt(record_->count - 1)) + "\n";
}

void ResultLock::markStarted(const std::string& mode, Paths paths) {
  started_ = "mode " + mode + ", " + thisProcessMark();
  renewing_ = paths == Paths::Renewed;
  if (renewing_) record_ = WrittenPaths{0};
  writeMark(started_ + "\n" + recordLine());
}

void ResultLock::markPath(int pathNumber) {
  // A renewing run writes its paths in order: those before this one are complete.
  if (renewing_) record_ = WrittenPaths{pathNumber};
  current_ = pathNumber;
  writeMark(started_ + "\n" + kPathMark + plainInt(pathNumber) + "\n" + recordLine());
}

void ResultLock::markFinished() {
  if (renewing_ && current_ >= 0) record_ = WrittenPaths{current_ + 1};
  if (record_) {
    writeMark(recordLine());
    return;
  }
  clearMarks();
}

void ResultLock::clearMarks() {
  record_.reset();
  renewing_ = false;
  if (::ftruncate(fd_, 0) != 0) throwFileError("write to file", path_, errno);
}

namespace {

Mark readMark(const std::string& directory) {
  const int fd = ::open((directory + "/" + kLockFileName).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Mark();
  const std::string text = markText(fd);
  ::close(fd);
  return parseMark(text);
}

}  // namespace

std::optional<UnfinishedRun> readUnfinishedRun(const std::string& directory) { return readMark(directory).unfinished; }

std::optional<WrittenPaths> readWrittenPaths(const std::string& directory) { return readMark(directory).written; }

std::string unfinishedRunNote(const std::string& directory, const UnfinishedRun& run) {
  std::string note = "The last run in " + quoted(directory, std::string::npos) + " did not finish (" + run.run + ")";
  if (run.cutPath >= 0)
    note += ": path " + plainInt(run.cutPath) +
            " was cut short, and the files of later paths may be left from an "
            "earlier run";
  return note + ".";
}

}  // namespace vk

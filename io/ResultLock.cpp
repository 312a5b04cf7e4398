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
// "files r w q f": the kinds the run that wrote the paths wrote; then
// "replayed w 1,4-6" per kind a replay added. Lines of their own, so that an
// earlier version still reads the record.
const char* const kKindsMark = "files ";
const char* const kReplayedMark = "replayed ";

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
    if (text.size() > (1 << 20)) break;  // a mark is a few lines, a replay's paths as ranges
  }
  return text;
}

bool startsWith(const std::string& line, const char* head) { return line.rfind(head, 0) == 0; }

// The record "paths 0-N" or "paths none"; anything else is no record.
std::optional<WrittenPaths> parseRecord(const std::string& line) {
  const std::string range = line.substr(std::char_traits<char>::length(kRecordMark));
  WrittenPaths written;
  if (range == kNoPaths) return written;
  int last = -1;
  if (!startsWith(range, "0-") || !parseInt(range.substr(2), last) || last < 0 || last == INT_MAX) return std::nullopt;
  written.count = last + 1;
  return written;
}

std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> all;
  for (std::string w; in >> w;) all.push_back(w);
  return all;
}

// "1,4-6", those below `count`; none when any piece is no path or range of
// paths.
std::optional<std::set<int>> parsePathRanges(const std::string& text, int count) {
  std::set<int> paths;
  std::istringstream pieces(text);
  for (std::string piece; std::getline(pieces, piece, ',');) {
    const std::size_t dash = piece.find('-');
    int first = -1, last = -1;
    if (!parseInt(piece.substr(0, dash), first) || first < 0) return std::nullopt;
    last = first;
    if (dash != std::string::npos && (!parseInt(piece.substr(dash + 1), last) || last < first)) return std::nullopt;
    for (int k = first; k <= last && k < count; ++k) paths.insert(k);
  }
  return paths;
}

std::string pathRangesText(const std::set<int>& paths) {
  std::string text;
  for (auto it = paths.begin(); it != paths.end();) {
    const int first = *it;
    int last = first;
    for (++it; it != paths.end() && *it == last + 1; ++it) last = *it;
    text += (text.empty() ? "" : ",") + plainInt(first) + (last > first ? "-" + plainInt(last) : "");
  }
  return text;
}

// A line of the record after its first; a damaged one is left out, and the
// record counts as of an earlier version where it named the kinds.
void parseRecordLine(const std::string& line, WrittenPaths& written) {
  if (startsWith(line, kKindsMark)) {
    const std::vector<std::string> kinds = words(line.substr(std::char_traits<char>::length(kKindsMark)));
    if (!kinds.empty()) written.kinds = std::set<std::string>(kinds.begin(), kinds.end());
    return;
  }
  const std::vector<std::string> fields = words(line.substr(std::char_traits<char>::length(kReplayedMark)));
  if (fields.size() != 2) return;
  if (const std::optional<std::set<int>> paths = parsePathRanges(fields[1], written.count))
    written.replayed[fields[0]].insert(paths->begin(), paths->end());
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
    } else if ((startsWith(line, kKindsMark) || startsWith(line, kReplayedMark)) && mark.written) {
      parseRecordLine(line, *mark.written);
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

void flockOrRefuse(int& fd, bool exclusive, const std::string& path, const std::function<void(int)>& refuseHeld) {
  int result;
  do {
    result = ::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result == 0) return;
  const int error = errno;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  fd = -1;
  if (error == EWOULDBLOCK) refuseHeld(closer.fd);
  throwFileError("lock the file", path, error);
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
  flockOrRefuse(fd_, use == Use::Run, path_, [&](int held) { refuseHeld(directory, use, held); });
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
  std::string text =
      kRecordMark + (record_->count == 0 ? std::string(kNoPaths) : "0-" + plainInt(record_->count - 1)) + "\n";
  if (record_->kinds) {
    text += kKindsMark;
    for (const std::string& kind : *record_->kinds) text += kind + (kind == *record_->kinds->rbegin() ? "\n" : " ");
  }
  for (const auto& [kind, paths] : record_->replayed)
    if (!paths.empty()) text += kReplayedMark + kind + " " + pathRangesText(paths) + "\n";
  return text;
}

void ResultLock::markStarted(const std::string& mode, Paths paths, const std::vector<std::string>& kinds) {
  started_ = "mode " + mode + ", " + thisProcessMark();
  renewing_ = paths == Paths::Renewed;
  kinds_ = kinds;
  if (renewing_) {
    record_ = WrittenPaths();
    record_->kinds = std::set<std::string>(kinds.begin(), kinds.end());
  }
  writeMark(started_ + "\n" + recordLine());
}

// A replayed path, once complete, holds the kinds the replay wrote.
void ResultLock::addReplayed(int pathNumber) {
  if (renewing_ || pathNumber < 0 || !record_ || !record_->kinds) return;
  for (const std::string& kind : kinds_)
    if (!record_->kinds->count(kind)) record_->replayed[kind].insert(pathNumber);
}

void ResultLock::markPath(int pathNumber) {
  // A renewing run writes its paths in order: those before this one are complete.
  if (renewing_) record_->count = pathNumber;
  addReplayed(current_);
  current_ = pathNumber;
  writeMark(started_ + "\n" + kPathMark + plainInt(pathNumber) + "\n" + recordLine());
}

void ResultLock::markFinished() {
  if (renewing_ && current_ >= 0) record_->count = current_ + 1;
  addReplayed(current_);
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

bool WrittenPaths::holds(const std::string& kind, int path) const {
  if (path < 0 || path >= count) return false;
  if (!kinds || kinds->count(kind)) return true;
  const auto replayedKind = replayed.find(kind);
  return replayedKind != replayed.end() && replayedKind->second.count(path) > 0;
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

#pragma once
// The lock of a result directory, and the mark of a run in progress.
//
// The lock is the operating system's advisory file lock (flock) on the file
// run.lock in the directory. A run holds it exclusively from before its first
// file until it returns; a summary holds it shared while it writes and reads.
// Nobody waits: a directory held the other way is refused at once, with a
// message naming the directory and the process that holds it. The kernel
// drops the lock when its holder ends, however it ends.
//
// While a run holds the lock, the lock's file says which run it is and which
// path it is writing; a run that completes leaves only its record of paths
// (below), or nothing. A mark found there by the next holder is a run that did
// not finish, and the path it had begun is cut short.
//
// A run that writes its paths afresh (0, 1, ... in order) also records how
// many of them it has completed, through every mark to its end, so that a
// summary can tell its path files from those an earlier run left beside
// them. The record also names the kinds of per-path file that run wrote
// ("r", "rnd"), so that files of another kind under its path numbers, which
// an earlier run left, are not taken for its own. A run that replays stored
// paths keeps the record it found: it rewrites paths of the run that wrote
// them; the paths where it wrote a kind that run did not are added to it.
//
// The file is never removed: a process that opened it just before another
// removed it would lock a file nobody else can see.
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vk {

constexpr const char* kLockFileName = "run.lock";

// The paths 0 to count - 1, which the last run that wrote paths afresh
// completed.
struct WrittenPaths {
  int count = 0;
  // The kinds that run wrote; none in a record of an earlier version, whose
  // kinds are unknown.
  std::optional<std::set<std::string>> kinds;
  // Per kind it did not write: the paths a replay wrote since.
  std::map<std::string, std::set<int>> replayed;
  // Whether the last run's files of the path include this kind.
  bool holds(const std::string& kind, int path) const;
};

struct UnfinishedRun {
  // "mode all, process 4711 on lab-3, started 2026-12-08 01:40:12 UTC"
  std::string run;
  // The path it was writing; -1 when it stopped before its first path.
  int cutPath = -1;
};

class ResultLock {
 public:
  enum class Use { Run, Summary };
  // Whether a run writes paths 0, 1, ... afresh or rewrites stored ones.
  enum class Paths { Renewed, Kept };

  // Takes the lock of the directory, creating its file; refuses at once if
  // it is held the other way (any way, for a run). An empty directory name is
  // refused: it would put the files at the root of the file system. A
  // summary of a directory that does not exist takes no lock.
  ResultLock(const std::string& directory, Use use);
  ResultLock(const ResultLock&) = delete;
  ResultLock& operator=(const ResultLock&) = delete;
  // Releases the lock; a run's mark stays unless markFinished left only the
  // record in its place.
  ~ResultLock();

  // The mark of a run that did not finish, as the lock found it.
  const std::optional<UnfinishedRun>& unfinished() const { return unfinished_; }
  // The record of paths as the lock found it; none in a directory whose runs
  // kept no record.
  const std::optional<WrittenPaths>& writtenPaths() const { return found_; }

  // A run's marks: started in this mode, now writing this path (with the
  // paths before it complete, when they are renewed), completed.
  // `kinds` are those of the per-path files the run writes.
  void markStarted(const std::string& mode, Paths paths, const std::vector<std::string>& kinds);
  void markPath(int pathNumber);
  void markFinished();
  // Empties the file, the record too: the directory holds no run any more.
  void clearMarks();

 private:
  void writeMark(const std::string& text);
  void addReplayed(int pathNumber);
  std::string recordLine() const;

  std::string path_;
  int fd_ = -1;
  std::string started_;
  bool renewing_ = false;
  int current_ = -1;
  std::vector<std::string> kinds_;
  // The record the marks carry: the one found, or the renewing run's own.
  std::optional<WrittenPaths> record_;
  std::optional<UnfinishedRun> unfinished_;
  std::optional<WrittenPaths> found_;
};

// The mark in the directory's lock file, read without taking the lock (its
// holder has it already); none when the file is missing or empty.
std::optional<UnfinishedRun> readUnfinishedRun(const std::string& directory);

// The record of paths in the directory's lock file, read likewise; none
// when the file is missing or holds no record.
std::optional<WrittenPaths> readWrittenPaths(const std::string& directory);

// The sentence a summary gives about a run that did not finish in a directory.
std::string unfinishedRunNote(const std::string& directory, const UnfinishedRun& run);

// The processes other than this one that hold a flock lock on the open file,
// as "4711, 4712"; empty when the kernel lists none (a holder on another
// machine of a network file system is not listed).
std::string otherLockHolders(int fd);

// Takes a flock lock on the open file `fd` without waiting, retrying a call
// that a signal interrupted. When it cannot be had, `fd` is closed and set to
// -1. Another process holding it is told by `refuseHeld`, which gets the file
// still open so that it can name the holder, and throws; any other failure is
// a RunError naming `path`.
void flockOrRefuse(int& fd, bool exclusive, const std::string& path, const std::function<void(int)>& refuseHeld);

// "process 4711 on lab-3, started 2026-12-08 01:40:12 UTC": this process, as
// a lock's mark names its holder.
std::string thisProcessMark();

// Refuses an empty result directory name; `what` says where it came from.
void checkResultDirectoryName(const std::string& directory, const std::string& what);

}  // namespace vk

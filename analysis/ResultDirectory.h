#pragma once
// The frame the three summaries share: the per-path files of a result
// directory, the selection file that records which of them to summarise, and
// the header lines every summary file begins with.
//
// A window fills its check list from listResultFiles when it is shown; its
// Plot writes the selection with writeSelectionFile and then runs its summary
// (PathSummary.h, ContourSummary.h, WeightsSummary.h), which reads the
// selection back from the file and returns the series for the chart. The
// command line does the same with the entries of PathList.h.
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "io/OutputFile.h"
#include "io/ResultLock.h"
#include "io/TextReader.h"

namespace vk {

constexpr char kRatePrefix = 'r';
constexpr char kWeightPrefix = 'w';
constexpr char kSchedulePrefix = 'q';
constexpr int kReferencePath = 0;

// One entry of a window's check list.
struct ResultFileEntry {
  std::string name;
  bool checked = false;
};

// directory + "/" + name.
std::string resultFilePath(const std::string& directory, const std::string& name);

// The file of path k: prefix, k in at least four digits, ".csv".
std::string pathFileName(char prefix, int pathNumber);

// The names matching prefix + "*.csv", ignoring case, in the order the file
// system enumerates them, folders included, "." and ".." left out. A
// directory that is missing or cannot be read gives no names and no error.
std::vector<std::string> listResultFiles(const std::string& directory, char prefix);

// "paths 0-9", "path 0" or "no path": what a record says the last run wrote.
std::string writtenPathsText(const WrittenPaths& written);

// The selection text of a file name: the name split at dots (and, as the list
// rule splits, at blanks outside double quotes), its second-last piece, every
// prefix letter removed ignoring case. r0007.csv gives 0007, r12r.csv 12,
// r0001.old.csv old. A name without a dot cannot name a path: RunError.
std::string selectionTextOf(const std::string& fileName, char prefix);

// Writes statname.txt: the number of checked entries, then their selection
// texts, top to bottom. Nothing checked gives the single line 0.
void writeSelectionFile(const std::string& directory, const std::vector<ResultFileEntry>& entries, char prefix);

// The paths a summary reads, one at a time in their order: from statname.txt
// as the windows record them, or from memory as the command line keeps them.
// Either way a path given twice is refused, and so is the path that a run
// which did not finish was writing (its mark in the directory says which),
// and a path beyond those the directory's record says its last run wrote.
class PathSelection {
 public:
  explicit PathSelection(const std::string& directory);
  virtual ~PathSelection() = default;
  // Called by the summary where it starts on the selection; count() and
  // nextPath() follow.
  virtual void begin() {}
  virtual int count() const = 0;
  // The next path number, checked as above; a RunError names where it came from.
  int nextPath();

 protected:
  virtual int readPath() = 0;
  // Where the path last read came from, for messages.
  virtual std::string whereLast() const = 0;

  const std::string directory_;

 private:
  std::set<int> seen_;
  std::optional<UnfinishedRun> unfinished_;
  std::optional<WrittenPaths> written_;
};

// statname.txt read back as the windows' summaries consume it: the count
// first, then one path number per call, so that a bad line stops a summary
// where it is met. A line that is not an integer, or a file that ends before
// count numbers, is a RunError naming the file and the line.
class SelectionReader : public PathSelection {
 public:
  explicit SelectionReader(const std::string& directory);
  void begin() override;
  int count() const override { return count_; }

 private:
  int readPath() override;
  std::string whereLast() const override;

  TextReader text_;
  int count_ = 0;
  int lastLine_ = 0;
};

// The command line's selection, kept in memory: another command writing
// statname.txt meanwhile cannot change it.
class ListedPaths : public PathSelection {
 public:
  ListedPaths(const std::string& directory, std::vector<int> paths);
  int count() const override { return static_cast<int>(paths_.size()); }

 private:
  int readPath() override { return paths_[next_++]; }
  std::string whereLast() const override;

  std::vector<int> paths_;
  std::size_t next_ = 0;
};

// The first two lines every summary writes: "# Number of path " n, then
// "# Paths " followed by one quoted item per path as it is read. The line is
// ended by endPathList.
class SummaryHeader {
 public:
  SummaryHeader(OutputFile& file, int pathCount);
  void addPath(int pathNumber);
  void endPathList();

 private:
  OutputFile& file_;
};

}  // namespace vk

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
#include <string>
#include <vector>

#include "io/OutputFile.h"
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

// The selection text of a file name: the name split at dots (and, as the list
// rule splits, at blanks outside double quotes), its second-last piece, every
// prefix letter removed ignoring case. r0007.csv gives 0007, r12r.csv 12,
// r0001.old.csv old. A name without a dot cannot name a path: RunError.
std::string selectionTextOf(const std::string& fileName, char prefix);

// Writes statname.txt: the number of checked entries, then their selection
// texts, top to bottom. Nothing checked gives the single line 0.
void writeSelectionFile(const std::string& directory, const std::vector<ResultFileEntry>& entries, char prefix);

// statname.txt read back as the summaries consume it: the count first, then
// one path number per call, so that a bad line stops a summary where it is met.
class SelectionReader {
 public:
  explicit SelectionReader(const std::string& directory);
  int count() const { return count_; }
  // The next path number; a line that is not an integer, or a file that ends
  // before count numbers, is a RunError naming the file and the line.
  int nextPath();

 private:
  TextReader text_;
  int count_ = 0;
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

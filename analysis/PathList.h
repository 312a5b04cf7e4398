#pragma once
// Selections given as text rather than ticked in a list: the command line's
// path lists and its "every file" choice. Both give the entries a check list
// would hold, so the selection file is written by the one writer.
#include <optional>
#include <string>
#include <vector>

#include "analysis/ResultDirectory.h"

namespace vk {

// At most this many paths in one list, so that a mistyped range cannot
// exhaust memory.
constexpr int kMaxListedPaths = 1000000;

// "0,3,5-9" gives 0, 3, 5, 6, 7, 8, 9 in that order: path numbers and
// ascending ranges of them, separated by commas, blanks around items allowed.
// Anything else, and a path given twice, is a RunError quoting the item.
std::vector<int> parsePathList(const std::string& list);

// The checked entries of the files prefix + tag + ".csv" of the paths.
std::vector<ResultFileEntry> entriesOfPaths(const std::vector<int>& paths, char prefix);

// The path numbers of every path file of the directory, in ascending order:
// exactly the names prefix + the tag of a path number + ".csv" (r0007.csv,
// r12345.csv), so that copies such as r7.csv, rr0007.csv or rnd0007.csv are
// not taken for paths.
std::vector<int> allPathsOf(const std::string& directory, char prefix);

// The paths "every path" means: of the path files of the directory, those the
// directory's record says its last run wrote, and a note naming the files
// left out and why. A directory without a record (its runs kept none) gives
// every path file. A record of no path is a RunError: even the reference
// path would be an earlier run's.
struct LastRunPaths {
  std::vector<int> paths;
  bool recorded = false;
  std::string note;  // empty when no file was left out
};
LastRunPaths lastRunPathsOf(const std::string& directory, char prefix);

// What taking every path file of a directory without a record means.
std::string noRecordNote(const std::string& directory, char prefix);

// The path number of a path file's exact name (see allPathsOf); none for
// another name.
std::optional<int> pathNumberOfFile(const std::string& name, char prefix);

}  // namespace vk

#pragma once
// Files of an earlier run that a new run would leave beside its own.
//
// A run in mode "all" or "write" writes the files of paths 0 to simtimes - 1
// afresh. Files of an earlier run that it does not rewrite (the paths beyond
// its own, the kinds of file its mode does not write, the summaries of the
// analysis windows) would otherwise sit beside the new files, and a summary
// over "all" paths would silently mix the two runs. These procedures find
// such files and move them, or the whole earlier run, aside into a
// sub-folder; they never delete.
// The replay modes add files to an earlier run on purpose and find none.
#include <string>
#include <vector>

namespace vk {

struct Parameters;

// The names (without the directory), sorted, of the files in resultDir that
// an earlier run wrote and that a run with these parameters will not
// rewrite. A result directory that does not exist holds none.
std::vector<std::string> earlierRunFiles(const std::string& resultDir, const Parameters& p);

// Every file an earlier run wrote into resultDir, sorted: its per-path
// files, its report eval.txt and the analysis windows' summaries.
std::vector<std::string> wholeRunFiles(const std::string& resultDir);

// The sub-folder of resultDir that moveEarlierRunFiles would create now:
// "earlier-run-1", or the first of "earlier-run-2", ... that does not exist.
std::string nextEarlierRunFolder(const std::string& resultDir);

// Moves the named files of resultDir into a new sub-folder and returns the
// folder's name. A file that cannot be moved is a RunError naming it; the
// files moved before it stay moved.
std::string moveEarlierRunFiles(const std::string& resultDir, const std::vector<std::string>& names);

// Moves the whole earlier run of resultDir (wholeRunFiles) into a new
// sub-folder, so that it stays a complete run the analysis windows read as
// before; the mark of a run that did not finish is copied with it. Returns
// the folder and how many files moved.
struct MovedRun {
  std::string folder;
  std::size_t files = 0;
};
MovedRun moveEarlierRun(const std::string& resultDir);

// "1 file" or "N files".
std::string fileCount(std::size_t count);

// "70 files of an earlier run (r0010.csv ... w0079.csv) are in result and
// will not be rewritten by this run."
std::string describeEarlierRunFiles(const std::string& resultDir, const std::vector<std::string>& names);

}  // namespace vk

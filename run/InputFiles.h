#pragma once
// The input files besides para.txt: the price file, the data file (read week
// by week), the weight structure file wdata.txt and the factor-loading file.
#include <string>

namespace vk {

struct RunState;

// Sets nWeights and the group tables. Refuses a structure beyond the capacity
// of an agent (groups, members, factor numbers, more than 100 weights).
void readWeightStructure(RunState& s, const std::string& path);

// actualRate[-4..maxyear] from lines 1..maxyear+5, and actualChange[-3..maxyear].
// A file that ends before week maxyear is refused: the rate would read as 0.
void readPriceFile(RunState& s);

// factorValue[1..17] of week s.week from the open data file. A file that runs
// out of values is refused, and so is the one value that cannot be negated.
void readWeekFactors(RunState& s);

// The factor-loading file, after the result directory.
constexpr const char* kLoadingFileName = "/loading.dat.98";

// Refuses a data file with fewer lines than the weeks up to maxyear, which
// the run reads, before any file is written.
void checkDataFileCovers(RunState& s);

// loadingRows, loadingCols and loadings from resultDir + "/loading.dat.98".
// A table that ends before the rows and columns it announces is refused.
void readLoadingFile(RunState& s);

}  // namespace vk

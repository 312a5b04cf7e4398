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
void readPriceFile(RunState& s);

// factorValue[1..17] of week s.week from the open data file.
void readWeekFactors(RunState& s);

// loadingRows, loadingCols and loadings from resultDir + "/loading.dat.98".
void readLoadingFile(RunState& s);

}  // namespace vk

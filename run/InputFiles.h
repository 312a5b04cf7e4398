#pragma once
// The input files besides para.txt: the price file, the data file, the
// weight structure file wdata.txt and the factor-loading file. The run reads
// each of them whole before the model computes a week.
#include <string>

namespace vk {

struct RunState;
class TextReader;

// Sets nWeights and the group tables. Refuses a structure beyond the capacity
// of an agent (groups, members, factor numbers, more than 100 weights).
void readWeightStructure(RunState& s, const std::string& path);

// actualRate[-4..maxyear] from lines 1..maxyear+5, and actualChange[-3..maxyear].
// A file that ends before week maxyear is refused: the rate would read as 0.
void readPriceFile(RunState& s);

// dataFactors of week 0 (line 1) and of weeks minyear..maxyear (line n holds
// week n) from the data file, the weeks 262..418 negated. A file with fewer
// lines than the weeks up to maxyear is refused, and so is a file that runs
// out of values and the one value that cannot be negated.
void readDataFactors(RunState& s, TextReader& in);

// The factor-loading file, after the result directory.
constexpr const char* kLoadingFileName = "/loading.dat.98";

// loadingRows, loadingCols and loadings from resultDir + "/loading.dat.98".
// A table that ends before the rows and columns it announces is refused.
void readLoadingFile(RunState& s);

}  // namespace vk

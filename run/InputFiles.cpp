#include "run/InputFiles.h"

#include <cmath>
#include <limits>
#include <string>

#include "io/OutputFile.h"
#include "io/RunError.h"
#include "io/TextFormat.h"
#include "io/TextReader.h"
#include "model/Limits.h"
#include "model/RunState.h"
#include "run/ParameterFile.h"

namespace vk {

namespace {

// The data file's factors are negated over this stretch of weeks.
constexpr int kFirstNegatedWeek = 262;
constexpr int kLastNegatedWeek = 418;

// Reads a count or number that indexes a table, refusing one outside lo..hi.
int readBounded(TextReader& in, const std::string& what, int lo, int hi) {
  const int v = in.readInt();
  if (v < lo || v > hi)
    refuseValue(in.name() + ", line " + std::to_string(in.line()), what, std::to_string(v),
                std::to_string(lo) + ".." + std::to_string(hi) + "; the run state holds no more");
  return v;
}

// The fourteen factors of week t from the reader's place, negated over the
// stretch; the rest of the line is skipped.
void readFactorLine(RunState& s, TextReader& in, int t) {
  const bool negated = t >= kFirstNegatedWeek && t <= kLastNegatedWeek;
  for (int i = 1; i <= kDataFactorCount; ++i) {
    if (!in.skipToNextValue())
      throw RunError(in.name() + " runs out of values at week " + plainInt(t) + ", factor " + plainInt(i) +
                     ": each week's line holds " + plainInt(kDataFactorCount) + " integers");
    const int v = in.readInt();
    if (negated && v == std::numeric_limits<int>::min())
      throw RunError(in.name() + ", line " + plainInt(in.line()) + ": " + plainInt(v) + " in week " + plainInt(t) +
                     " cannot be negated (the factors of weeks " + plainInt(kFirstNegatedWeek) + " to " +
                     plainInt(kLastNegatedWeek) + " are); the smallest value there is " +
                     plainInt(-std::numeric_limits<int>::max()));
    s.dataFactors[t][i] = negated ? -v : v;
  }
  in.skipLine();
}

// Refuses a data file with fewer lines than the weeks up to maxyear, naming
// where it ends, rather than the value it runs out at; leaves it rewound.
void checkDataFileCovers(const RunState& s, TextReader& in) {
  in.rewind();
  int lastWeek = 0;
  while (lastWeek < s.maxyear && !in.atEnd()) {
    in.skipLine();
    ++lastWeek;
  }
  in.rewind();
  if (lastWeek < s.maxyear)
    throw RunError(in.name() + " ends at week " + plainInt(lastWeek) +
                   " (line n holds week n), but the run reads weeks " + plainInt(s.minyear) + " to " +
                   plainInt(s.maxyear) + " (maxyear = " + plainInt(s.maxyear) + ")");
}

}  // namespace

void readWeightStructure(RunState& s, const std::string& path) {
  TextReader in = TextReader::open(path);
  s.nWeights = 0;
  s.stage1Groups = readBounded(in, "the number of first-stage groups", 0, kMaxStage1Groups);
  in.skipLine();
  for (int g = 1; g <= s.stage1Groups; ++g) {
    const int k = readBounded(in, "the size of first-stage group " + std::to_string(g), 0, kMaxGroupMembers);
    s.stage1Size[g] = k;
    s.nWeights += k;
    for (int j = 1; j <= k; ++j) s.stage1Factors[g][j] = readBounded(in, "a factor number", 1, kFactorCount);
    in.skipLine();
  }
  s.stage2Groups = readBounded(in, "the number of second-stage groups", 0, kMaxStage2Groups);
  in.skipLine();
  for (int g = 1; g <= s.stage2Groups; ++g) {
    const std::string group = "second-stage group " + std::to_string(g);
    const int a = readBounded(in, "the first-stage count of " + group, 0, kMaxGroupMembers);
    const int b = readBounded(in, "the factor count of " + group, 0, kMaxGroupMembers - a);
    s.stage2InnerCount[g] = a;
    s.stage2FactorCount[g] = b;
    s.nWeights += a + b;
    for (int j = 1; j <= a; ++j)
      s.stage2Members[g][j] = readBounded(in, "a first-stage group number", 1, s.stage1Groups);
    for (int j = a + 1; j <= a + b; ++j) s.stage2Members[g][j] = readBounded(in, "a factor number", 1, kFactorCount);
  }
  if (s.stage1Groups == 0 && s.stage2Groups == 0)
    s.nWeights = kFactorCount;
  else
    s.nWeights += s.stage2Groups;
  if (s.nWeights > kMaxWeights)
    refuseValue(path, "the number of weights", std::to_string(s.nWeights),
                "at most " + std::to_string(kMaxWeights) + "; an agent holds no more");
}

void readPriceFile(RunState& s) {
  TextReader in = TextReader::open(s.priceFileName);
  for (int w = kFirstWeek; w <= s.maxyear; ++w) {
    if (!in.skipToNextValue())
      throw RunError(in.name() + " ends at week " + plainInt(w - 1) + " (line " + plainInt(w - 1 - kFirstWeek + 1) +
                     "), but the run needs the rate of weeks " + plainInt(kFirstWeek) + " to " + plainInt(s.maxyear) +
                     " (maxyear = " + plainInt(s.maxyear) + "): line n holds week n - 5");
    s.actualRate[w] = in.readReal();
    in.skipLine();
  }
  for (int w = kFirstWeek + 1; w <= s.maxyear; ++w) s.actualChange[w] = s.actualRate[w] - s.actualRate[w - 1];
}

void readDataFactors(RunState& s, TextReader& in) {
  // Week 0 takes the first line; every week from minyear on takes its own.
  in.rewind();
  readFactorLine(s, in, 0);
  checkDataFileCovers(s, in);
  for (int line = 1; line < s.minyear; ++line) in.skipLine();
  for (int t = s.minyear; t <= s.maxyear; ++t) readFactorLine(s, in, t);
}

void readLoadingFile(RunState& s) {
  TextReader in = TextReader::open(checkedFileName(s.resultDir + kLoadingFileName));
  const auto requireValue = [&in, &s](int row) {
    if (!in.skipToNextValue())
      throw RunError(in.name() + " ends in row " + plainInt(row) + ": it announces " + plainInt(s.loadingRows) +
                     " rows of " + plainInt(s.loadingCols) + " loadings after the row of weight numbers");
  };
  s.loadingRows = readBounded(in, "the number of loading rows", 0, kMaxLoadingRows);
  in.skipLine();
  s.loadingCols = readBounded(in, "the number of loading columns", 0, kMaxLoadingCols);
  in.skipLine();
  for (int c = 1; c <= s.loadingCols; ++c) {
    requireValue(0);
    s.loadings[0][c] = in.readReal();
    // Row 0 names the weights the columns refer to; each must be a weight of an agent.
    const double weight = std::nearbyint(s.loadings[0][c]);
    if (!(weight >= 1 && weight <= s.nWeights))
      refuseValue(in.name() + ", line " + std::to_string(in.line()), "the weight number of column " + std::to_string(c),
                  fixed(s.loadings[0][c], 0, 5),
                  "1.." + std::to_string(s.nWeights) + "; a column refers to a weight of the structure");
  }
  in.skipLine();
  for (int r = 1; r <= s.loadingRows; ++r) {
    for (int c = 1; c <= s.loadingCols; ++c) {
      requireValue(r);
      s.loadings[r][c] = in.readReal();
    }
    in.skipLine();
  }
}

}  // namespace vk

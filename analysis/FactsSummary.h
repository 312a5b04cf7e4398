#pragma once
// The facts summary: do the selected paths behave like the actual rate? For
// the simulated weeks T + 1 to L of the reference scan it computes the
// stylized facts (StylizedFacts.h) of the actual changes of the reference
// file and of the simulated changes of every selected path, and their
// median, 10 % and 90 % over the paths. Written to facts.csv in the result
// directory (or another file); the series are for the facts charts.
//
// Reads statname.txt (written before by writeSelectionFile), the reference
// file r0000.csv and the path files r<path>.csv: field 3 (simulated change),
// field 4 (actual change) and field 5 (volume) of each simulated week. Every
// line read must name the week it stands for, and no path may be selected
// twice.
//
// The table is FactsTable.h's. The rows are written as they are computed: a
// failure leaves the rows before it.
#include <string>
#include <vector>

#include "analysis/StylizedFacts.h"
#include "analysis/SummaryFiles.h"

namespace vk {

class PathSelection;

// The shares of the weekly changes in bins of a common width centred on its
// multiples: the simulated changes of all paths pooled, and the actual ones.
struct ChangeHistogram {
  double binWidth = 0.0;
  std::vector<double> centres;
  std::vector<double> simulatedShare;
  std::vector<double> actualShare;
};

// The bin width is the smallest simulated change away from zero, the step of
// the price ladder the simulated changes sit on, unless that would make more
// than kMaxHistogramBins bins; then the range of all changes is cut into
// kFallbackHistogramBins. Empty when there are no changes at all.
constexpr int kMaxHistogramBins = 400;
constexpr int kFallbackHistogramBins = 40;
ChangeHistogram changeHistogram(const std::vector<double>& simulated, const std::vector<double>& actual);

struct FactsSeries {
  FactRow actual;
  // One row per selected path, in selection order.
  std::vector<int> paths;
  std::vector<FactRow> simulated;
  FactRow median, p10, p90;
  ChangeHistogram distribution;
};

// The median, 10 % and 90 % rows over the simulated rows.
void fillPercentileRows(FactsSeries& series);

// csvFile: where the table goes; empty for facts.csv in the directory.
// Clears `series` and fills it as the summary proceeds: after a RunError it
// holds what was computed before the failure.
void summariseFacts(const std::string& directory, const std::string& csvFile, FactsSeries& series);

// The facts of paths 0 to pathCount - 1 of a run just ended, as the summary
// gives them, with no file read but the paths' and none written.
FactsSeries factsOfRun(const std::string& directory, int pathCount);

// A scalar fact whose actual value lies far from what the paths give.
// distance: how far the actual value lies from the paths' median, in halves
// of their 10-90 % range (infinite when the paths all agree on another value).
struct FactGap {
  int column;
  double actual, median, p10, p90;
  double distance;
};
// The count scalar facts furthest from the actual ones, furthest first; a
// fact undefined for the actual changes or the paths, or one they agree on,
// is left out.
std::vector<FactGap> factsFurthestFromActual(const FactsSeries& series, std::size_t count);
// "Facts furthest from the actual: Excess kurtosis 1.02 (paths' median 0.031,
// 10-90 % -0.659 to 1.91); ..." or that none differs.
std::string factGapsText(const std::vector<FactGap>& gaps);

// The actual changes the summary's "actual" row describes: those of the
// reference file over the simulated weeks.
std::vector<double> actualChangesOf(const std::string& directory);
// The same over a selection kept by the caller (the command line's).
void summariseFacts(const std::string& directory, PathSelection& selection, const std::string& csvFile,
                    FactsSeries& series);

}  // namespace vk

#pragma once
// The evaluation of a run: statistics of the actual and simulated changes,
// the actual histogram, the path report in eval.txt and the frequency table.
//
// A statistic that would divide by zero (std 0, an empty stretch of weeks,
// the drift of a one-week training stretch) is NaN, which the report writes
// as NAN.
#include "model/RunState.h"

namespace vk {

// actualStats over actualChange[teachyear+1..maxyear], and actualHist.
void evaluateActual(RunState& s);

// Appends the current path's errors and statistics to the open eval.txt.
void writePathReport(RunState& s);

// Writes the current path's frequency table into its open "/f" file.
void writeFrequencyTable(RunState& s);

// mean, std, skew, kurt and SR of x[lo..hi], each term divided by the count
// before it is added. A constant series has std 0 exactly.
void seriesStatistics(const WeekSeries& x, int lo, int hi, double stats[5]);

// Distance of the path from the actual rate over teachyear..maxyear, for the
// simulation and for a random walk with the training stretch's drift.
struct PathErrors {
  double meSim, meWalk, maeSim, maeWalk, rmseSim, rmseWalk;
};
PathErrors pathErrors(const RunState& s);

}  // namespace vk

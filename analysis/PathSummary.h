#pragma once
// The path summary: per week of the simulation span, the mean and standard
// deviation of the simulated rate across the selected paths on the log scale
// of the files and on the natural scale, set against the actual rate. Written
// to stat.txt in the result directory; the series are for the path chart.
//
// Reads statname.txt (written before by writeSelectionFile), the reference
// file r0000.csv and the path files r<path>.csv. The tables are sized from
// the weeks of the reference file, whatever they are.
//
// The actual rate of a week (columns real and its exponential) is that of
// the last path read; with no path selected it is the reference file's.
#include <string>

#include "analysis/ChartPoint.h"
#include "analysis/ResultDirectory.h"
#include "analysis/SummaryFiles.h"

namespace vk {

struct PathSummarySeries {
  PointList mean;     // "Mean"
  PointList plusSd;   // "+SD"
  PointList minusSd;  // "-SD"
  PointList actual;   // "Actual"
};

// Clears `series` and fills it as the summary proceeds: after a RunError it
// holds the points added before the failure, as a chart keeps them.
void summarisePaths(const std::string& directory, PathSummarySeries& series);
// The same over a selection given by the caller, such as the command line's
// paths kept in memory.
void summarisePaths(const std::string& directory, PathSelection& selection, PathSummarySeries& series);

// The same series over the paths the directory's last run wrote (as "every
// path" takes them), under the directory's shared lock, with no file written:
// another run drawn beside a window's own for comparison.
PathSummarySeries comparedRunSeries(const std::string& directory);

}  // namespace vk

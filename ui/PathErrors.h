#pragma once
// The outcome of a run as its report gives it: for every finished path the
// RMSE and MAE of the simulation and of the random walk, and their ratios
// (below 1: the simulation forecast better than the random walk); over the
// paths the median RMSE ratio and its 10 % to 90 % range.
#include <QString>

#include <string>
#include <vector>

namespace vk {

struct PathReportRow;

struct PathErrorRow {
  int path = 0;
  double rmseSim = 0, rmseWalk = 0, maeSim = 0, maeWalk = 0;
  // Simulation over random walk; NaN where the walk's error is 0 or undefined.
  double rmseRatio = 0, maeRatio = 0;
};

struct ErrorSummary {
  int paths = 0;  // the paths with a defined RMSE ratio
  double median = 0, p10 = 0, p90 = 0;
};

std::vector<PathErrorRow> pathErrorRows(const std::vector<PathReportRow>& report);
// Empty (paths 0) when no path has a defined ratio.
ErrorSummary summariseErrors(const std::vector<PathErrorRow>& rows);
// "Median RMSE ratio 0.982 (10-90 %: 0.913-1.047) over 10 paths"
QString errorSummaryText(const ErrorSummary& summary);

}  // namespace vk

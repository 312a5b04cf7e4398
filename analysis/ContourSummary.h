#pragma once
// The contour summary: per week of the simulation span, how many of the
// selected paths fall into each of G equal bins of the rate between a lower
// and an upper bound, each count capped at Z. Written to freq.txt in the
// result directory; the points are for the grid, contour and actual-path
// series of the contour chart.
//
// The bounds come from the actual values of the reference file's simulated
// weeks and the simulated values of the selected paths, widened by a quarter
// of their range on each side, unless typed. A value beyond typed bounds is
// counted in the edge bin on its side, and the series says how many were. The
// count table is sized from the weeks of the reference file and from G, so
// any span is accepted; G must lie in 1 to kMaxGrids (G = 0 is the division
// by zero it would be).
#include <string>

#include "analysis/ChartPoint.h"
#include "analysis/ResultDirectory.h"
#include "analysis/SummaryFiles.h"

namespace vk {

constexpr int kMaxGrids = 10000;

struct ContourSettings {
  bool autoMinY = true;
  bool autoMaxY = true;
  // Used only when the bound's Auto is off; also the texts the MinY and MaxY
  // fields start with.
  double minY = 4.0;
  double maxY = 5.0;
  int grids = 15;
  int maxZ = 30;
};

struct ContourSeries {
  // "Grid" and "Contour" show the same points.
  std::vector<GridCount> grid;
  // "Actual path": the actual value of each week read, in grid coordinates
  // (bin g at its centre is g); every path file adds its copy.
  PointList actualPath;
  // The bounds and bin width the counts were made with.
  double minY = 0.0;
  double maxY = 0.0;
  double binWidth = 0.0;
  // The simulated values counted, and how many of them lay below minY or
  // above maxY and were counted in the bottom or top bin.
  long long values = 0;
  long long below = 0;
  long long above = 0;
};

// Clears `series` and fills it as the summary proceeds: after a RunError it
// holds the points added before the failure, as a chart keeps them.
void summariseContour(const std::string& directory, const ContourSettings& settings, ContourSeries& series);
// The same over a selection given by the caller, such as the command line's
// paths kept in memory.
void summariseContour(const std::string& directory, PathSelection& selection, const ContourSettings& settings,
                      ContourSeries& series);

}  // namespace vk

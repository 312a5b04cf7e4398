#pragma once
// The chart of the contour plot: how the selected simulated rate paths spread
// over the rate week by week, as a colour grid and as contour lines under the
// actual path. The window and the command line's plots draw the very same
// chart from the same summary.
#include "analysis/ContourSummary.h"

namespace vk {

class Chart;
class GridSeries;
class LineSeries;

class ContourChart {
 public:
  // Gives the chart its title, legend, axes and the three series; the
  // colour grid starts switched off.
  explicit ContourChart(Chart& chart);
  // Replaces the series' points by the summary's and draws the chart at once.
  void show(const ContourSeries& summary);

  Chart& chart;
  GridSeries* gridSeries;      // "Grid"
  GridSeries* contourSeries;   // "Contour"
  LineSeries* actualPathLine;  // "Actual path"
};

}  // namespace vk

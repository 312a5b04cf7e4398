#pragma once
// The chart of the path plot: the mean of the selected simulated rate paths
// with a band of one standard deviation, against the actual rate. The window
// and the command line's plots draw the very same chart from the same summary.

namespace vk {

class Chart;
class LineSeries;
struct PathSummarySeries;

class PathChart {
 public:
  // Gives the chart its title, legend and the four lines.
  explicit PathChart(Chart& chart);
  // Replaces the lines' points by the summary's and draws the chart at once.
  void show(const PathSummarySeries& summary);

  Chart& chart;
  LineSeries* meanLine;     // "Mean"
  LineSeries* plusSdLine;   // "+SD"
  LineSeries* minusSdLine;  // "-SD"
  LineSeries* actualLine;   // "Actual"
};

}  // namespace vk

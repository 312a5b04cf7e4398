#pragma once
// The chart of the path plot: the mean of the selected simulated rate paths
// with a band of one standard deviation, against the actual rate. The window
// and the command line's plots draw the very same chart from the same summary.
// Another run may be drawn beside it in another colour, its mean and band
// under one legend entry that names it.
#include <QString>

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
  // The compared run, hidden and out of the legend while there is none.
  LineSeries* comparedMeanLine;     // "Mean ± SD, <its name>"
  LineSeries* comparedPlusSdLine;   // out of the legend
  LineSeries* comparedMinusSdLine;  // out of the legend

  // Draws the other run's series, named name; null draws none.
  void showCompared(const PathSummarySeries* compared, const QString& name);

 private:
  void setInLegend(LineSeries* line, bool shown);
};

}  // namespace vk

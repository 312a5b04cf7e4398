#pragma once
// The chart of the weights plot: the agents' average forecasting weights
// over the weeks, the first seventeen over the simulated weeks. The window
// and the command line's plots draw the very same chart from the same summary.
#include <array>

#include "analysis/WeightsSummary.h"

namespace vk {

class Chart;
class LineSeries;

class WeightsChart {
 public:
  // Gives the chart its title, legend, fixed left axis and the seventeen lines.
  explicit WeightsChart(Chart& chart);
  // Replaces the lines' points by the summary's and draws the chart at once.
  void show(const WeightsSeries& summary);

  Chart& chart;
  // Series[j - 1] is the line titled j (Series1 to Series17 of the layout).
  std::array<LineSeries*, kPlottedWeights> Series;
};

}  // namespace vk

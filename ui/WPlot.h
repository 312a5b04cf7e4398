#pragma once
// The weights plot window (TWPlotForm, "Weights plot"): the agents' average
// forecasting weights over the weeks, averaged over the selected paths'
// weight files; the table goes to weight.txt in the result directory and the
// first seventeen weights are drawn over the simulated weeks.
//
// WeightsChart is the window's chart as a unit of its own, so that the
// command line draws the very same chart from the same summary.
#include <array>

#include "analysis/WeightsSummary.h"
#include "ui/ResultFrame.h"

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

class TWPlotForm : public ResultFrame {
  Q_OBJECT

 public:
  explicit TWPlotForm(QWidget* parent = nullptr, UserPrompts* prompts = nullptr);

  Chart* WPlotChart;
  WeightsChart view;

 protected:
  void plotSummary() override;
};

}  // namespace vk

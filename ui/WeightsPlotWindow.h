#pragma once
// The weights plot window ("Weights plot"): the agents' average
// forecasting weights over the weeks, averaged over the selected paths'
// weight files; the table goes to weight.txt in the result directory and the
// first seventeen weights are drawn over the simulated weeks.
#include "chart/WeightsChart.h"
#include "ui/ResultFrame.h"

class QLabel;

namespace vk {

class Chart;

class WeightsPlotWindow : public ResultFrame {
  Q_OBJECT

 public:
  explicit WeightsPlotWindow(QWidget* parent = nullptr, UserPrompts* prompts = nullptr);

  Chart* chart;
  WeightsChart view;
  // Which weights the chart draws and where the others are.
  QLabel* drawnNote;

 protected:
  void plotSummary() override;
};

}  // namespace vk

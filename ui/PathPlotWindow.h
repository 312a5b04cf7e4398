#pragma once
// The path plot window ("Path plot"): the mean of the selected
// simulated rate paths with a band of one standard deviation, against the
// actual rate; the table goes to stat.txt in the result directory.
#include "chart/PathChart.h"
#include "ui/ResultFrame.h"

namespace vk {

class Chart;

class PathPlotWindow : public ResultFrame {
  Q_OBJECT

 public:
  explicit PathPlotWindow(QWidget* parent = nullptr, UserPrompts* prompts = nullptr);

  Chart* chart;
  PathChart view;

 protected:
  void plotSummary() override;
};

}  // namespace vk

#pragma once
// The path plot window (TPathForm, "Path plot"): the mean of the selected
// simulated rate paths with a band of one standard deviation, against the
// actual rate; the table goes to stat.txt in the result directory.
//
// PathChart is the window's chart as a unit of its own, so that the command
// line draws the very same chart from the same summary.
#include "ui/ResultFrame.h"

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
  LineSeries* Series1;  // "Mean"
  LineSeries* Series2;  // "+SD"
  LineSeries* Series3;  // "-SD"
  LineSeries* Series4;  // "Actual"
};

class TPathForm : public ResultFrame {
  Q_OBJECT

 public:
  explicit TPathForm(QWidget* parent = nullptr, UserPrompts* prompts = nullptr);

  Chart* Chart1;
  PathChart view;

 protected:
  void plotSummary() override;
};

}  // namespace vk

#pragma once
// The chart of sweep plot: a metric of an experiment over one varied
// parameter (the median with the 10 % and 90 % quantiles) or over two (a
// colour grid of the median with its colour scale). A chart shown again
// redraws its series in place, as a sweep under way is drawn at every run
// that ends; it keeps to the kind, one axis or two, it was first shown with.
#include "experiment/SweepSummary.h"

namespace vk {

class Chart;
class GridSeries;
class LineSeries;

class SweepChart {
 public:
  explicit SweepChart(Chart& chart);
  // Sets the title and axes from the summary and draws its series.
  void show(const SweepSummary& summary);

  Chart& chart;

 private:
  void showOverOne(const SweepSummary& summary);
  void showOverTwo(const SweepSummary& summary);

  LineSeries* low_ = nullptr;
  LineSeries* high_ = nullptr;
  LineSeries* median_ = nullptr;
  GridSeries* grid_ = nullptr;
};

}  // namespace vk

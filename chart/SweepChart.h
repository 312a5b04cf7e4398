#pragma once
// The chart of sweep plot: a metric of an experiment over one varied
// parameter (the median with the 10 % and 90 % quantiles) or over two (a
// colour grid of the median with its colour scale).
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
};

}  // namespace vk

#pragma once
// The chart of sweep sensitivity: on a saltelli design a bar per parameter
// for the first-order and the total index with their 95 % intervals; on a
// morris design the parameters scattered by mu* (across) and sigma (up),
// each named beside its point (the intervals are in the table).
#include "experiment/SensitivityAnalysis.h"

namespace vk {

class Chart;

class SensitivityChart {
 public:
  explicit SensitivityChart(Chart& chart);
  // Sets the title and axes from the report and draws its indices.
  void show(const SensitivityReport& report);

  Chart& chart;

 private:
  void showSobol(const SensitivityReport& report);
  void showMorris(const SensitivityReport& report);
};

}  // namespace vk

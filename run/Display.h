#pragma once
// The display operations: everything a run shows while it executes goes
// through this interface. The base class is the binding to nothing: every
// operation does nothing and GraphEnabled answers no, and the run writes the
// same files. The desktop program and the terminal override what they show.
#include <string>

namespace vk {

class Display {
 public:
  virtual ~Display() = default;

  virtual void AppendLog(const std::string& text) { (void)text; }
  // A whole percentage 0..100 of the current path's weeks.
  virtual void SetWeekProgress(int percent) { (void)percent; }
  // A whole percentage 0..100 of the run's paths.
  virtual void SetPathProgress(int percent) { (void)percent; }
  virtual void ClearActualSeries() {}
  virtual void AddActualPoint(int week, double rate) { (void)week, (void)rate; }
  virtual void RedrawRateChart() {}
  virtual void ClearSimulationSeries() {}
  virtual bool GraphEnabled() { return false; }
  // Adds the point to the simulated line and repaints the rate chart.
  virtual void AddSimulationPoint(int week, double rate) { (void)week, (void)rate; }
  // means[0..n-1]: the agents' mean weight 1..n.
  virtual void ShowWeights(const double* means, int n) { (void)means, (void)n; }
  // supply[0..2*ndiv] and demand[0..2*ndiv]: the quantities at the price
  // levels -ndiv..ndiv, lowest first.
  virtual void ShowSupplyDemand(int ndiv, const double* supply, const double* demand) {
    (void)ndiv, (void)supply, (void)demand;
  }
};

}  // namespace vk

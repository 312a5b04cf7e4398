#pragma once
// The display operations: everything a run shows while it executes goes
// through this interface. Every binding states every operation, so none can
// be forgotten: the desktop program's main window, the command line's
// terminal, and NullDisplay, the binding to nothing, with which a run writes
// the same files.
#include <string>

namespace vk {

class Display {
 public:
  virtual ~Display() = default;

  virtual void AppendLog(const std::string& text) = 0;
  // Something the run's inputs ask for that the run does, but that is most
  // likely a mistake; the run goes on.
  virtual void Warn(const std::string& text) = 0;
  // A whole percentage 0..100 of the current path's weeks.
  virtual void SetWeekProgress(int percent) = 0;
  // A whole percentage 0..100 of the run's paths.
  virtual void SetPathProgress(int percent) = 0;
  virtual void ClearActualSeries() = 0;
  virtual void AddActualPoint(int week, double rate) = 0;
  virtual void RedrawRateChart() = 0;
  virtual void ClearSimulationSeries() = 0;
  virtual bool GraphEnabled() = 0;
  // Adds the point to the simulated line and repaints the rate chart.
  virtual void AddSimulationPoint(int week, double rate) = 0;
  // means[0..n-1]: the agents' mean weight 1..n.
  virtual void ShowWeights(const double* means, int n) = 0;
  // supply[0..2*ndiv] and demand[0..2*ndiv]: the quantities at the price
  // levels -ndiv..ndiv, lowest first.
  virtual void ShowSupplyDemand(int ndiv, const double* supply, const double* demand) = 0;
};

// Shows nothing, and answers no to GraphEnabled.
class NullDisplay : public Display {
 public:
  void AppendLog(const std::string&) override {}
  void Warn(const std::string&) override {}
  void SetWeekProgress(int) override {}
  void SetPathProgress(int) override {}
  void ClearActualSeries() override {}
  void AddActualPoint(int, double) override {}
  void RedrawRateChart() override {}
  void ClearSimulationSeries() override {}
  bool GraphEnabled() override { return false; }
  void AddSimulationPoint(int, double) override {}
  void ShowWeights(const double*, int) override {}
  void ShowSupplyDemand(int, const double*, const double*) override {}
};

}  // namespace vk

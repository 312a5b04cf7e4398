#pragma once
// The display operations of the command line: the log on stdout and a single
// progress line on stderr, redrawn in place, only when stderr is a terminal.
#include <cstdio>

#include "model/Display.h"

namespace vk {

class TerminalDisplay : public Display {
 public:
  // showProgress false (--quiet, or stderr not a terminal) draws no progress line.
  TerminalDisplay(std::FILE* log, std::FILE* progress, bool showProgress);
  ~TerminalDisplay() override;

  void AppendLog(const std::string& text) override;
  // On stderr, --quiet or not: the run's log is its output, a warning is not.
  void Warn(const std::string& text) override;
  // The error of the first log line that could not be written, 0 if none:
  // a log lost on a full disk must not pass for a run that said all it had to.
  int logError() const { return logError_; }
  void SetWeekProgress(int percent) override;
  void SetPathProgress(int percent) override;

  // A terminal has no charts: the chart operations show nothing.
  void ClearActualSeries() override {}
  void AddActualPoint(int, double) override {}
  void RedrawRateChart() override {}
  void ClearSimulationSeries() override {}
  bool GraphEnabled() override { return false; }
  void AddSimulationPoint(int, double) override {}
  void ShowWeights(const double*, int) override {}
  void ShowSupplyDemand(int, const double*, const double*) override {}

 private:
  int logError_ = 0;
  void drawProgress();
  void endProgressLine();

  std::FILE* log_;
  std::FILE* progress_;
  bool showProgress_;
  bool lineOpen_ = false;
  int weekPercent_ = -1;
  int pathPercent_ = -1;
};

// --quiet: nothing but the warnings, on stderr as always.
class QuietDisplay : public NullDisplay {
 public:
  void Warn(const std::string& text) override;
};

}  // namespace vk

#pragma once
// The facts plot window ("Stylized facts"): does the simulated
// market behave like the real one? The stylized facts of the actual weekly
// changes against those of the selected paths, as autocorrelation charts, a
// distribution and a table; the table of every path goes to facts.csv in the
// result directory (to facts-selected.csv in an experiment's run for some of
// its paths, as the experiment's table joins facts.csv).
#include "analysis/FactsSummary.h"
#include "chart/FactsView.h"
#include "ui/ResultFrame.h"

namespace vk {

class FactsPlotWindow : public ResultFrame {
  Q_OBJECT

 public:
  explicit FactsPlotWindow(QWidget* parent = nullptr, UserPrompts* prompts = nullptr);

  FactsPanel* factsPanel;
  FactsView view;

 protected:
  void plotSummary() override;
};

}  // namespace vk

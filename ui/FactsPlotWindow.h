#pragma once
// The facts plot window (TFactsForm, "Stylized facts"): does the simulated
// market behave like the real one? The stylized facts of the actual weekly
// changes against those of the selected paths, as autocorrelation charts, a
// distribution and a table; the table of every path goes to facts.csv in the
// result directory.
#include "analysis/FactsSummary.h"
#include "chart/FactsView.h"
#include "ui/ResultFrame.h"

namespace vk {

class TFactsForm : public ResultFrame {
  Q_OBJECT

 public:
  explicit TFactsForm(QWidget* parent = nullptr, UserPrompts* prompts = nullptr);

  FactsPanel* Charts;
  FactsView view;

 protected:
  void plotSummary() override;
};

}  // namespace vk

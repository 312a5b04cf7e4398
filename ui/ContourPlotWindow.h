#pragma once
// The contour plot window ("Contour plot"): how the selected
// simulated rate paths spread over the rate week by week, counted on a grid
// of weeks and rate bins, drawn as a colour grid and as contour lines under
// the actual path; the counts go to freq.txt in the result directory.
#include "analysis/ContourSummary.h"
#include "chart/ContourChart.h"
#include "ui/ResultFrame.h"

class QCheckBox;
class QLabel;

namespace vk {

class Chart;
class StepButtons;

class ContourPlotWindow : public ResultFrame {
  Q_OBJECT

 public:
  explicit ContourPlotWindow(QWidget* parent = nullptr, UserPrompts* prompts = nullptr);

  // The grid settings as typed; text that is not a number is a RunError
  // quoting it.
  ContourSettings settingsFromFields() const;

  // Handlers.
  void maxRateAutoToggled();
  void minRateAutoToggled();

  QLabel* autoLabel;
  QCheckBox* maxRateAuto;
  QLabel* maxRateLabel;
  QLineEdit* maxRateField;
  QCheckBox* minRateAuto;
  QLabel* minRateLabel;
  QLineEdit* minRateField;
  QLabel* gridsLabel;
  QLineEdit* gridsField;
  StepButtons* gridsStepper;
  QLabel* maxCountLabel;
  QLineEdit* maxCountField;
  StepButtons* maxCountStepper;
  // How many simulated values lay beyond the bounds and were counted in
  // the edge bins; empty when none did.
  QLabel* outsideLabel;
  Chart* chart;
  ContourChart view;

 protected:
  void plotSummary() override;

 private:
  void buildGridControls();
  void showBoundsInUse(const ContourSeries& s);
  void showValuesOutside(const ContourSeries& s);
  void setDefaults();
};

}  // namespace vk

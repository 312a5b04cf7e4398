#pragma once
// The contour plot window (TContPlotForm, "Contour plot"): how the selected
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
class UpDown;

class TContPlotForm : public ResultFrame {
  Q_OBJECT

 public:
  explicit TContPlotForm(QWidget* parent = nullptr, UserPrompts* prompts = nullptr);

  // The grid settings as typed; text that is not a number is a RunError
  // quoting it.
  ContourSettings settingsFromFields() const;

  // Handlers.
  void MaxYAutoClick();
  void MinYAutoClick();

  QLabel* AutoLabel;
  QCheckBox* MaxYAuto;
  QLabel* MaxYLabel;
  QLineEdit* MaxYEdit;
  QCheckBox* MinYAuto;
  QLabel* MinYLabel;
  QLineEdit* MinYEdit;
  QLabel* CountLabel;
  QLineEdit* CountEdit;
  UpDown* UpDown3;
  QLabel* MaxZLabel;
  QLineEdit* MaxZEdit;
  UpDown* UpDown1;
  Chart* Chart1;
  ContourChart view;

 protected:
  void plotSummary() override;

 private:
  void buildGridControls();
  void showBoundsInUse(const ContourSeries& s);
  void FormCreate();
};

}  // namespace vk

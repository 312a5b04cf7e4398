#pragma once
// The path plot window ("Path plot"): the mean of the selected
// simulated rate paths with a band of one standard deviation, against the
// actual rate; the table goes to stat.txt in the result directory.
//
// Another result directory typed or chosen under "Compare with" is drawn at
// each Plot beside the window's own, in another colour, over the paths its
// last run wrote; nothing is written there. The rate axis follows the lines
// unless "Fix Y" holds it at the typed bounds, so that two windows can be
// compared.
#include "chart/PathChart.h"
#include "ui/ResultFrame.h"

class QCheckBox;
class QLabel;

namespace vk {

class Chart;

class PathPlotWindow : public ResultFrame {
  Q_OBJECT

 public:
  explicit PathPlotWindow(QWidget* parent = nullptr, UserPrompts* prompts = nullptr);

  // Handlers.
  void chooseComparedDirectory();
  // Holds the rate axis at the typed bounds, or lets it follow the lines; a
  // text that is no number, or bounds in the wrong order, is a RunError.
  void applyRateRange();

  Chart* chart;
  PathChart view;
  QLabel* compareLabel;
  QLineEdit* compareField;
  QPushButton* compareButton;
  QCheckBox* fixRateCheck;
  QLineEdit* rateMinField;
  QLineEdit* rateMaxField;

 protected:
  void plotSummary() override;
  QString chartCaption() const override;

 private:
  void buildCompareControls();
  void buildRateRangeControls();
};

}  // namespace vk

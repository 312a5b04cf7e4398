#include "ui/PathPlotWindow.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "analysis/PathSummary.h"
#include "analysis/ResultLine.h"
#include "chart/Chart.h"
#include "io/RunError.h"
#include "ui/KeepWorkingDirectory.h"
#include "ui/UserPrompts.h"

namespace vk {

PathPlotWindow::PathPlotWindow(QWidget* parent, UserPrompts* prompts)
    : ResultFrame("Path plot", kRatePrefix, "BitBtn1", prompts, parent), chart(new Chart), view(*chart) {
  setObjectName("PathForm");
  chart->setObjectName("Chart1");
  placeChart(chart);
  buildCompareControls();
  buildRateRangeControls();
}

void PathPlotWindow::buildCompareControls() {
  compareLabel = new QLabel("Compare with");
  compareField = new QLineEdit;
  compareField->setObjectName("CompareEdit");
  compareField->setPlaceholderText("no other run");
  compareField->setToolTip("Another result directory, drawn at Plot beside this one over its last run's paths");
  compareButton = new QPushButton("Dir");
  compareButton->setObjectName("CompareBtn");
  compareButton->setFixedWidth(32);
  auto* row = new QHBoxLayout;
  row->setSpacing(2);
  row->addWidget(compareField);
  row->addWidget(compareButton);
  controlColumn()->addSpacing(8);
  controlColumn()->addWidget(compareLabel);
  controlColumn()->addLayout(row);
  connect(compareButton, &QPushButton::clicked, this, &PathPlotWindow::chooseComparedDirectory);
}

void PathPlotWindow::buildRateRangeControls() {
  fixRateCheck = new QCheckBox("Fix Y");
  fixRateCheck->setObjectName("FixYCheck");
  fixRateCheck->setToolTip("Hold the rate axis at these bounds, so that two windows draw on the same scale");
  rateMinField = new QLineEdit;
  rateMinField->setObjectName("RateMinEdit");
  rateMaxField = new QLineEdit;
  rateMaxField->setObjectName("RateMaxEdit");
  auto* grid = new QGridLayout;
  grid->addWidget(fixRateCheck, 0, 0, 1, 2);
  grid->addWidget(new QLabel("MinY"), 1, 0);
  grid->addWidget(rateMinField, 1, 1);
  grid->addWidget(new QLabel("MaxY"), 2, 0);
  grid->addWidget(rateMaxField, 2, 1);
  controlColumn()->addLayout(grid);
  connect(fixRateCheck, &QCheckBox::clicked, this, [this] {
    try {
      applyRateRange();
    } catch (const std::exception& e) {
      fixRateCheck->setChecked(false);
      applyRateRange();
      prompts().showError(this, QString::fromStdString(e.what()));
    }
  });
}

void PathPlotWindow::chooseComparedDirectory() {
  KeepWorkingDirectory keep;
  const QString folder = prompts().chooseFolder(this, "Choose the result directory to compare with", keep.base());
  if (!folder.isEmpty()) compareField->setText(relativeTo(keep.base(), folder));
}

void PathPlotWindow::applyRateRange() {
  if (!fixRateCheck->isChecked()) {
    chart->releaseLeftAxis();
    chart->replot();
    return;
  }
  const double low = realFromText(rateMinField->text().toStdString(), "MinY");
  const double high = realFromText(rateMaxField->text().toStdString(), "MaxY");
  if (!(low < high))
    throw RunError("MinY " + rateMinField->text().toStdString() + " must lie below MaxY " +
                   rateMaxField->text().toStdString());
  chart->fixLeftAxis(low, high);
  chart->replot();
}

void PathPlotWindow::plotSummary() {
  summariseInto<PathSummarySeries>(view, [this](PathSummarySeries& s) { summarisePaths(directory(), s); });
  const QString other = compareField->text().trimmed();
  if (other.isEmpty()) {
    view.showCompared(nullptr, QString());
  } else {
    // The other run is drawn only when it is read whole.
    view.showCompared(nullptr, QString());
    const PathSummarySeries compared = comparedRunSeries(QFile::encodeName(other).toStdString());
    view.showCompared(&compared, other);
  }
  applyRateRange();
}

QString PathPlotWindow::chartCaption() const {
  const QString other = compareField->text().trimmed();
  return other.isEmpty() ? ResultFrame::chartCaption() : ResultFrame::chartCaption() + ", compared with " + other;
}

}  // namespace vk

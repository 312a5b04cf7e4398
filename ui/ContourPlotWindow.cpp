#include "ui/ContourPlotWindow.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>

#include <tuple>

#include "analysis/ResultLine.h"
#include "chart/Chart.h"
#include "ui/StepButtons.h"

namespace vk {

namespace {

const int kStepperMin = 0;
const int kStepperMax = 100;

std::string textOf(const QLineEdit* field) { return field->text().toStdString(); }

// A field with its up-down buttons, stepping by 1 within the stepper range.
StepButtons* stepperFor(QLineEdit* field, int position, QHBoxLayout* row) {
  auto* stepper = new StepButtons(field, kStepperMin, kStepperMax, 1, nullptr);
  stepper->setPosition(position);
  stepper->setFixedWidth(16);
  field->setText(QString::number(position));
  row->setSpacing(0);
  row->addWidget(field);
  row->addWidget(stepper);
  return stepper;
}

}  // namespace

ContourPlotWindow::ContourPlotWindow(QWidget* parent, UserPrompts* prompts)
    : ResultFrame("Contour plot", kRatePrefix, "BitBtn1", prompts, parent), chart(new Chart), view(*chart) {
  setObjectName("ContPlotForm");
  chart->setObjectName("Chart1");
  placeChart(chart);
  buildGridControls();
  connect(maxRateAuto, &QCheckBox::clicked, this, &ContourPlotWindow::maxRateAutoToggled);
  connect(minRateAuto, &QCheckBox::clicked, this, &ContourPlotWindow::minRateAutoToggled);
  setDefaults();
}

void ContourPlotWindow::buildGridControls() {
  const ContourSettings defaults;
  autoLabel = new QLabel("Auto");
  maxRateLabel = new QLabel("MaxY");
  maxRateField = new QLineEdit(QString::number(defaults.maxY, 'f', 1));
  maxRateAuto = new QCheckBox;
  minRateLabel = new QLabel("MinY");
  minRateField = new QLineEdit(QString::number(defaults.minY, 'f', 1));
  minRateAuto = new QCheckBox;
  gridsLabel = new QLabel("# of Y grids");
  gridsField = new QLineEdit;
  maxCountLabel = new QLabel("MaxZ");
  maxCountField = new QLineEdit;
  maxRateAuto->setChecked(defaults.autoMaxY);
  minRateAuto->setChecked(defaults.autoMinY);

  auto* countRow = new QHBoxLayout;
  gridsStepper = stepperFor(gridsField, defaults.grids, countRow);
  auto* maxZRow = new QHBoxLayout;
  maxCountStepper = stepperFor(maxCountField, defaults.maxZ, maxZRow);

  const std::pair<QWidget*, const char*> names[] = {
      {autoLabel, "AutoLabel"},    {maxRateLabel, "MaxYLabel"},  {maxRateField, "MaxYEdit"},
      {maxRateAuto, "MaxYAuto"},   {minRateLabel, "MinYLabel"},  {minRateField, "MinYEdit"},
      {minRateAuto, "MinYAuto"},   {gridsLabel, "CountLabel"},   {gridsField, "CountEdit"},
      {gridsStepper, "UpDown3"},   {maxCountLabel, "MaxZLabel"}, {maxCountField, "MaxZEdit"},
      {maxCountStepper, "UpDown1"}};
  for (const auto& [widget, name] : names) widget->setObjectName(name);

  auto* grid = new QGridLayout;
  grid->setContentsMargins(0, 8, 0, 0);
  grid->addWidget(autoLabel, 0, 2, Qt::AlignHCenter);
  grid->addWidget(maxRateLabel, 1, 0);
  grid->addWidget(maxRateField, 1, 1);
  grid->addWidget(maxRateAuto, 1, 2, Qt::AlignHCenter);
  grid->addWidget(minRateLabel, 2, 0);
  grid->addWidget(minRateField, 2, 1);
  grid->addWidget(minRateAuto, 2, 2, Qt::AlignHCenter);
  grid->addWidget(gridsLabel, 3, 0);
  grid->addLayout(countRow, 3, 1);
  grid->addWidget(maxCountLabel, 4, 0);
  grid->addLayout(maxZRow, 4, 1);
  controlColumn()->addLayout(grid);
  outsideLabel = new QLabel;
  outsideLabel->setObjectName("OutsideLabel");
  outsideLabel->setWordWrap(true);
  QPalette warning = outsideLabel->palette();
  warning.setColor(QPalette::WindowText, QColor(190, 0, 0));
  outsideLabel->setPalette(warning);
  controlColumn()->addWidget(outsideLabel);
}

void ContourPlotWindow::setDefaults() {
  maxRateAutoToggled();
  minRateAutoToggled();
}

void ContourPlotWindow::maxRateAutoToggled() { maxRateField->setEnabled(!maxRateAuto->isChecked()); }

void ContourPlotWindow::minRateAutoToggled() { minRateField->setEnabled(!minRateAuto->isChecked()); }

ContourSettings ContourPlotWindow::settingsFromFields() const {
  ContourSettings s;
  s.autoMaxY = maxRateAuto->isChecked();
  s.autoMinY = minRateAuto->isChecked();
  if (!s.autoMaxY) s.maxY = realFromText(textOf(maxRateField), "MaxY");
  if (!s.autoMinY) s.minY = realFromText(textOf(minRateField), "MinY");
  s.grids = intFromText(textOf(gridsField), "# of Y grids");
  s.maxZ = intFromText(textOf(maxCountField), "MaxZ");
  return s;
}

void ContourPlotWindow::plotSummary() {
  outsideLabel->clear();
  summariseInto<ContourSeries>(view, [this](ContourSeries& s) {
    summariseContour(directory(), settingsFromFields(), s);
    showBoundsInUse(s);
    showValuesOutside(s);
  });
}

// A greyed field shows the bound the Plot worked out, not a stale text, and
// the whole of it: the shortest text that reads back as the bound, in a
// field wide enough for it.
void ContourPlotWindow::showBoundsInUse(const ContourSeries& s) {
  for (const auto& [automatic, field, bound] :
       {std::tuple{minRateAuto, minRateField, s.minY}, std::tuple{maxRateAuto, maxRateField, s.maxY}}) {
    if (!automatic->isChecked()) continue;
    field->setText(QString::number(bound, 'g', QLocale::FloatingPointShortest));
    const QMargins m = field->textMargins() + field->contentsMargins();
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(field->text()) + m.left() + m.right() + 8);
    field->setCursorPosition(0);
  }
}

// The edge bins count what lies beyond the bounds; said, so that a dense
// edge band is not read as paths that stay there.
void ContourPlotWindow::showValuesOutside(const ContourSeries& s) {
  if (s.below + s.above == 0) return;
  outsideLabel->setText(QString("%1 of %2 simulated values lay outside MinY..MaxY (%3 below, %4 above) and are "
                                "counted in the edge bins.")
                            .arg(s.below + s.above)
                            .arg(s.values)
                            .arg(s.below)
                            .arg(s.above));
}

}  // namespace vk

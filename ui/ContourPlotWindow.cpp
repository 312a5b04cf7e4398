#include "ui/ContourPlotWindow.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "analysis/ResultLine.h"
#include "chart/Chart.h"
#include "ui/StepButtons.h"

namespace vk {

namespace {

const int kStepperMin = 0;
const int kStepperMax = 100;

std::string textOf(const QLineEdit* field) { return field->text().toStdString(); }

// A field with its up-down buttons, stepping by 1 within the stepper range.
UpDown* stepperFor(QLineEdit* field, int position, QHBoxLayout* row) {
  auto* stepper = new UpDown(field, kStepperMin, kStepperMax, 1, nullptr);
  stepper->setPosition(position);
  stepper->setFixedWidth(16);
  field->setText(QString::number(position));
  row->setSpacing(0);
  row->addWidget(field);
  row->addWidget(stepper);
  return stepper;
}

}  // namespace

TContPlotForm::TContPlotForm(QWidget* parent, UserPrompts* prompts)
    : ResultFrame("Contour plot", kRatePrefix, "BitBtn1", prompts, parent), Chart1(new Chart), view(*Chart1) {
  setObjectName("ContPlotForm");
  Chart1->setObjectName("Chart1");
  placeChart(Chart1);
  buildGridControls();
  connect(MaxYAuto, &QCheckBox::clicked, this, &TContPlotForm::MaxYAutoClick);
  connect(MinYAuto, &QCheckBox::clicked, this, &TContPlotForm::MinYAutoClick);
  FormCreate();
}

void TContPlotForm::buildGridControls() {
  const ContourSettings defaults;
  AutoLabel = new QLabel("Auto");
  MaxYLabel = new QLabel("MaxY");
  MaxYEdit = new QLineEdit(QString::number(defaults.maxY, 'f', 1));
  MaxYAuto = new QCheckBox;
  MinYLabel = new QLabel("MinY");
  MinYEdit = new QLineEdit(QString::number(defaults.minY, 'f', 1));
  MinYAuto = new QCheckBox;
  CountLabel = new QLabel("# of Y grids");
  CountEdit = new QLineEdit;
  MaxZLabel = new QLabel("MaxZ");
  MaxZEdit = new QLineEdit;
  MaxYAuto->setChecked(defaults.autoMaxY);
  MinYAuto->setChecked(defaults.autoMinY);

  auto* countRow = new QHBoxLayout;
  UpDown3 = stepperFor(CountEdit, defaults.grids, countRow);
  auto* maxZRow = new QHBoxLayout;
  UpDown1 = stepperFor(MaxZEdit, defaults.maxZ, maxZRow);

  const std::pair<QWidget*, const char*> names[] = {
      {AutoLabel, "AutoLabel"}, {MaxYLabel, "MaxYLabel"}, {MaxYEdit, "MaxYEdit"},   {MaxYAuto, "MaxYAuto"},
      {MinYLabel, "MinYLabel"}, {MinYEdit, "MinYEdit"},   {MinYAuto, "MinYAuto"},   {CountLabel, "CountLabel"},
      {CountEdit, "CountEdit"}, {UpDown3, "UpDown3"},     {MaxZLabel, "MaxZLabel"}, {MaxZEdit, "MaxZEdit"},
      {UpDown1, "UpDown1"}};
  for (const auto& [widget, name] : names) widget->setObjectName(name);

  auto* grid = new QGridLayout;
  grid->setContentsMargins(0, 8, 0, 0);
  grid->addWidget(AutoLabel, 0, 2, Qt::AlignHCenter);
  grid->addWidget(MaxYLabel, 1, 0);
  grid->addWidget(MaxYEdit, 1, 1);
  grid->addWidget(MaxYAuto, 1, 2, Qt::AlignHCenter);
  grid->addWidget(MinYLabel, 2, 0);
  grid->addWidget(MinYEdit, 2, 1);
  grid->addWidget(MinYAuto, 2, 2, Qt::AlignHCenter);
  grid->addWidget(CountLabel, 3, 0);
  grid->addLayout(countRow, 3, 1);
  grid->addWidget(MaxZLabel, 4, 0);
  grid->addLayout(maxZRow, 4, 1);
  controlColumn()->addLayout(grid);
}

void TContPlotForm::FormCreate() {
  MaxYAutoClick();
  MinYAutoClick();
}

void TContPlotForm::MaxYAutoClick() { MaxYEdit->setEnabled(!MaxYAuto->isChecked()); }

void TContPlotForm::MinYAutoClick() { MinYEdit->setEnabled(!MinYAuto->isChecked()); }

ContourSettings TContPlotForm::settingsFromFields() const {
  ContourSettings s;
  s.autoMaxY = MaxYAuto->isChecked();
  s.autoMinY = MinYAuto->isChecked();
  if (!s.autoMaxY) s.maxY = realFromText(textOf(MaxYEdit), "MaxY");
  if (!s.autoMinY) s.minY = realFromText(textOf(MinYEdit), "MinY");
  s.grids = intFromText(textOf(CountEdit), "# of Y grids");
  s.maxZ = intFromText(textOf(MaxZEdit), "MaxZ");
  return s;
}

void TContPlotForm::plotSummary() {
  summariseInto<ContourSeries>(view, [this](ContourSeries& s) {
    summariseContour(directory(), settingsFromFields(), s);
    showBoundsInUse(s);
  });
}

// A greyed field shows the bound the Plot worked out, not a stale text.
void TContPlotForm::showBoundsInUse(const ContourSeries& s) {
  if (MinYAuto->isChecked()) MinYEdit->setText(QString::number(s.minY, 'f', 4));
  if (MaxYAuto->isChecked()) MaxYEdit->setText(QString::number(s.maxY, 'f', 4));
}

}  // namespace vk

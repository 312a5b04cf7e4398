#include "ui/ExperimentForm.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTableWidget>

#include <tuple>

#include "io/RunError.h"
#include "run/ParameterFile.h"

namespace vk {

namespace {

const DesignKind kDesigns[] = {DesignKind::Grid, DesignKind::LatinHypercube, DesignKind::Sobol, DesignKind::Saltelli,
                               DesignKind::Morris};

QString joined(const std::vector<std::string>& values) {
  QStringList items;
  for (const std::string& v : values) items << QString::fromStdString(v);
  return items.join(", ");
}

std::vector<std::string> split(const QString& text) {
  std::vector<std::string> values;
  for (const QString& item : text.split(',', Qt::SkipEmptyParts))
    if (!item.trimmed().isEmpty()) values.push_back(item.trimmed().toStdString());
  return values;
}

QString cellText(const QTableWidget* table, int row, int column) {
  const QTableWidgetItem* item = table->item(row, column);
  return item ? item->text().trimmed() : QString();
}

// The List column's least width: room for a few values.
constexpr int kListWidth = 100;

QSpinBox* spinBox(int low, int high, int value) {
  auto* box = new QSpinBox;
  box->setRange(low, high);
  box->setValue(value);
  return box;
}

}  // namespace

ExperimentForm::ExperimentForm(QWidget* parent) : QWidget(parent), inputs(this, "Inputs folder of the experiment") {
  varyTable = new QTableWidget(0, 6);
  varyTable->setHorizontalHeaderLabels({"Parameter", "Kind", "List", "From", "To", "Steps"});
  varyTable->horizontalHeader()->setSectionResizeMode(ValuesColumn, QHeaderView::Stretch);
  // Wide enough for every column: a range row's From, To and Steps must not
  // hide right of its empty List. The row numbers and a scroll bar take the
  // rest.
  int tableWidth = kListWidth + 2 * varyTable->frameWidth() + varyTable->fontMetrics().horizontalAdvance("999") + 12 +
                   varyTable->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  for (auto [column, width] :
       {std::pair{NameColumn, 110}, {KindColumn, 80}, {FromColumn, 60}, {ToColumn, 60}, {StepsColumn, 45}}) {
    varyTable->setColumnWidth(column, width);
    tableWidth += width;
  }
  varyTable->setMinimumWidth(tableWidth);
  varyTable->setToolTip(
      "A list: values separated by commas (wdata: weight structure files). A range: from and to, and in a grid "
      "the count of intervals in Steps. A grid varies the first row slowest.");
  addRowButton = new QPushButton("Add parameter");
  removeRowButton = new QPushButton("Remove parameter");
  marketNote = new QLabel;
  marketNote->setVisible(false);

  seedsField = new QLineEdit("1");
  seedsField->setToolTip("A count (5: the seeds 0 to 4) or a list such as 0, 17, 42");
  designBox = new QComboBox;
  for (DesignKind kind : kDesigns) designBox->addItem(designWord(kind));
  samplesBox = spinBox(1, 1000000, 16);
  designSeedField = new QLineEdit("0");
  trajectoriesBox = spinBox(1, 1000000, 10);
  levelsBox = spinBox(2, 1000, 4);
  levelsBox->setSingleStep(2);
  keepBox = new QComboBox;
  keepBox->addItems({"every file", "the summaries only (eval.txt and facts.csv)"});
  note = new QLabel;
  note->setWordWrap(true);
  note->setVisible(false);

  auto* rowButtons = new QHBoxLayout;
  rowButtons->addWidget(addRowButton);
  rowButtons->addWidget(removeRowButton);
  rowButtons->addStretch();
  // The design's settings in two rows, the elementary effects' own below:
  // in one they made the form wider than the plot beside it.
  auto* designRow = new QHBoxLayout;
  designRow->addWidget(designBox);
  auto* effectsRow = new QHBoxLayout;
  for (auto [row, label, widget] : {std::tuple<QHBoxLayout*, const char*, QWidget*>{designRow, "samples", samplesBox},
                                    {designRow, "seed", designSeedField},
                                    {effectsRow, "trajectories", trajectoriesBox},
                                    {effectsRow, "levels", levelsBox}}) {
    row->addWidget(new QLabel(label));
    row->addWidget(widget);
  }
  effectsRow->addStretch();
  auto* form = new QFormLayout(this);
  inputs.addRowsTo(form);
  form->addRow("Varied", varyTable);
  form->addRow("", rowButtons);
  form->addRow("", marketNote);
  form->addRow("Seeds", seedsField);
  form->addRow("Design", designRow);
  form->addRow("", effectsRow);
  form->addRow("Each run keeps", keepBox);
  form->addRow(note);

  connect(addRowButton, &QPushButton::clicked, this, [this] {
    DraftEntry entry;
    entry.name = "popsize";
    addVaryRow(entry);
  });
  connect(removeRowButton, &QPushButton::clicked, this, &ExperimentForm::removeVaryRow);
  connect(designBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &ExperimentForm::designChanged);
  designChanged();
}

void ExperimentForm::designChanged() {
  const DesignKind kind = kDesigns[std::max(0, designBox->currentIndex())];
  samplesBox->setEnabled(kind != DesignKind::Grid && kind != DesignKind::Morris);
  designSeedField->setEnabled(kind != DesignKind::Grid);
  trajectoriesBox->setEnabled(kind == DesignKind::Morris);
  levelsBox->setEnabled(kind == DesignKind::Morris);
}

void ExperimentForm::addVaryRow(const DraftEntry& entry) {
  const int row = varyTable->rowCount();
  varyTable->insertRow(row);
  auto* name = new QComboBox;
  for (const ParameterField& field : parameterFields())
    if (field.kind != ParameterKind::Word) name->addItem(field.name);
  name->addItem("wdata");
  name->setCurrentText(QString::fromStdString(entry.name));
  varyTable->setCellWidget(row, NameColumn, name);
  auto* kind = new QComboBox;
  kind->addItems({"list", "range"});
  kind->setCurrentIndex(entry.isRange ? 1 : 0);
  varyTable->setCellWidget(row, KindColumn, kind);
  varyTable->setItem(row, ValuesColumn, new QTableWidgetItem(joined(entry.values)));
  varyTable->setItem(row, FromColumn, new QTableWidgetItem(QString::fromStdString(entry.from)));
  varyTable->setItem(row, ToColumn, new QTableWidgetItem(QString::fromStdString(entry.to)));
  varyTable->setItem(row, StepsColumn, new QTableWidgetItem(entry.steps > 0 ? QString::number(entry.steps) : ""));
}

void ExperimentForm::removeVaryRow() {
  const int row = varyTable->currentRow() >= 0 ? varyTable->currentRow() : varyTable->rowCount() - 1;
  if (row >= 0) varyTable->removeRow(row);
}

DraftEntry ExperimentForm::rowEntry(int row) const {
  DraftEntry entry;
  entry.name = static_cast<QComboBox*>(varyTable->cellWidget(row, NameColumn))->currentText().toStdString();
  entry.isRange = static_cast<QComboBox*>(varyTable->cellWidget(row, KindColumn))->currentIndex() == 1;
  if (!entry.isRange) {
    entry.values = split(cellText(varyTable, row, ValuesColumn));
    return entry;
  }
  entry.from = cellText(varyTable, row, FromColumn).toStdString();
  entry.to = cellText(varyTable, row, ToColumn).toStdString();
  const QString steps = cellText(varyTable, row, StepsColumn);
  bool whole = true;
  entry.steps = steps.isEmpty() ? 0 : steps.toInt(&whole);
  if (!whole || entry.steps < 0)
    throw RunError("vary." + entry.name + ".steps: '" + steps.left(40).toStdString() + "' is not a count of intervals");
  return entry;
}

DescriptionDraft ExperimentForm::draft() const {
  DescriptionDraft d;
  static_cast<DraftInputs&>(d) = inputs.draft();
  for (int row = 0; row < varyTable->rowCount(); ++row) d.vary.push_back(rowEntry(row));
  if (!markets_.markets.empty()) d.vary.push_back(markets_);
  d.seeds = seedsField->text().toStdString();
  d.design = kDesigns[designBox->currentIndex()];
  d.samples = samplesBox->value();
  d.designSeed = designSeedField->text().trimmed().toStdString();
  d.trajectories = trajectoriesBox->value();
  d.levels = levelsBox->value();
  d.keep = keepBox->currentIndex() == 1 ? OutputKeep::Summaries : OutputKeep::All;
  return d;
}

void ExperimentForm::showDraft(const DescriptionDraft& d) {
  inputs.show(d);
  varyTable->setRowCount(0);
  markets_ = DraftEntry{};
  for (const DraftEntry& entry : d.vary) {
    if (entry.name == "market")
      markets_ = entry;
    else
      addVaryRow(entry);
  }
  QStringList names;
  for (const MarketFiles& m : markets_.markets) names << QString::fromStdString(m.name);
  marketNote->setText("market: " + names.join(", ") + " (price and data pairs, kept as the file names them)");
  marketNote->setVisible(!markets_.markets.empty());
  seedsField->setText(QString::fromStdString(d.seeds));
  for (int i = 0; i < designBox->count(); ++i)
    if (kDesigns[i] == d.design) designBox->setCurrentIndex(i);
  if (d.samples > 0) samplesBox->setValue(d.samples);
  designSeedField->setText(QString::fromStdString(d.designSeed));
  if (d.trajectories > 0) trajectoriesBox->setValue(d.trajectories);
  if (d.levels > 0) levelsBox->setValue(d.levels);
  keepBox->setCurrentIndex(d.keep == OutputKeep::Summaries ? 1 : 0);
}

}  // namespace vk

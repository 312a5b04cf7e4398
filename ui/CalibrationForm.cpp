#include "ui/CalibrationForm.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

namespace vk {

namespace {

QString cellText(const QTableWidget* table, int row, int column) {
  const QTableWidgetItem* item = table->item(row, column);
  return item ? item->text().trimmed() : QString();
}

// Room for the most parameters a calibration estimates without scrolling.
constexpr int kVisibleRows = 4;
constexpr int kVisibleMoments = 8;

}  // namespace

CalibrationForm::CalibrationForm(QWidget* parent) : QWidget(parent), inputs(this, "Inputs folder of the calibration") {
  inputs.modeBox->setToolTip("A calibration reads every path's changes, which the modes write and all make");
  estimateTable = new QTableWidget(0, 3);
  estimateTable->setHorizontalHeaderLabels({"Parameter", "From", "To"});
  estimateTable->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
  // The parameter's name numbers the row well enough; its width goes to the name.
  estimateTable->verticalHeader()->setVisible(false);
  estimateTable->setColumnWidth(FromColumn, 80);
  estimateTable->setColumnWidth(ToColumn, 80);
  estimateTable->setToolTip(
      "The parameters searched, each between From and To: reals at para.txt's five decimals, whole numbers on their "
      "integers");
  estimateTable->setMinimumHeight(estimateTable->horizontalHeader()->sizeHint().height() +
                                  kVisibleRows * estimateTable->verticalHeader()->defaultSectionSize() +
                                  2 * estimateTable->frameWidth());
  addRowButton = new QPushButton("Add parameter");
  removeRowButton = new QPushButton("Remove parameter");

  momentList = new QListWidget;
  momentList->setDragDropMode(QAbstractItemView::InternalMove);
  momentList->setToolTip("Tick the moments to match; drag one to change its place in the report");
  for (const std::string& name : momentNames()) {
    auto* item = new QListWidgetItem(QString::fromStdString(name), momentList);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  // Room to see a few ticked and a few more to tick.
  momentList->setMinimumHeight(kVisibleMoments * momentList->sizeHintForRow(0) + 2 * momentList->frameWidth());
  weightsBox = new QComboBox;
  for (WeightKind kind : kWeightKinds) weightsBox->addItem(weightKindName(kind));
  weightsBox->setToolTip(
      "simulated: two searches, the second weighing the moments by their covariance across paths; bootstrap: the "
      "actual moments' block bootstrap; diagonal: their variances; identity: equal weights");

  seedsField = new QLineEdit("5");
  seedsField->setToolTip("Every candidate runs with these seeds: a count (5: the seeds 0 to 4) or a list");
  budgetBox = new QSpinBox;
  budgetBox->setRange(1, 1000000);
  budgetBox->setValue(150);
  budgetBox->setToolTip("The search's candidates at most");
  searchSeedField = new QLineEdit("1");
  toleranceField = new QLineEdit;
  toleranceField->setPlaceholderText("0.001, the search's own");
  toleranceField->setToolTip("The search ends once a generation lies within this share of each range");
  note = new QLabel;
  note->setWordWrap(true);
  note->setVisible(false);

  auto* rowButtons = new QHBoxLayout;
  rowButtons->addWidget(addRowButton);
  rowButtons->addWidget(removeRowButton);
  rowButtons->addStretch();
  auto* searchRow = new QHBoxLayout;
  searchRow->addWidget(budgetBox);
  searchRow->addWidget(new QLabel("seed"));
  searchRow->addWidget(searchSeedField);
  auto* form = new QFormLayout(this);
  inputs.addRowsTo(form);
  form->addRow("Estimated", estimateTable);
  form->addRow("", rowButtons);
  form->addRow("Moments", momentList);
  form->addRow("Weights", weightsBox);
  form->addRow("Seeds", seedsField);
  form->addRow("Budget", searchRow);
  form->addRow("Tolerance", toleranceField);
  form->addRow(note);

  connect(addRowButton, &QPushButton::clicked, this, [this] {
    // The next parameter not yet estimated, so that a new row is never a
    // repeat the reader would refuse.
    for (const std::string& name : estimableParameters()) {
      bool used = false;
      for (const EstimateDraft& e : draft().estimate) used = used || e.name == name;
      if (!used) return addEstimateRow({name, "", ""});
    }
  });
  connect(removeRowButton, &QPushButton::clicked, this, &CalibrationForm::removeEstimateRow);
  rowsChanged();
}

void CalibrationForm::rowsChanged() {
  addRowButton->setEnabled(estimateTable->rowCount() < kMaxEstimated);
  removeRowButton->setEnabled(estimateTable->rowCount() > 0);
}

void CalibrationForm::addEstimateRow(const EstimateDraft& entry) {
  const int row = estimateTable->rowCount();
  estimateTable->insertRow(row);
  auto* name = new QComboBox;
  for (const std::string& parameter : estimableParameters()) name->addItem(QString::fromStdString(parameter));
  name->setCurrentText(QString::fromStdString(entry.name));
  estimateTable->setCellWidget(row, NameColumn, name);
  estimateTable->setItem(row, FromColumn, new QTableWidgetItem(QString::fromStdString(entry.from)));
  estimateTable->setItem(row, ToColumn, new QTableWidgetItem(QString::fromStdString(entry.to)));
  rowsChanged();
}

void CalibrationForm::removeEstimateRow() {
  const int row = estimateTable->currentRow() >= 0 ? estimateTable->currentRow() : estimateTable->rowCount() - 1;
  if (row >= 0) estimateTable->removeRow(row);
  rowsChanged();
}

void CalibrationForm::useMoments(const std::vector<std::string>& names) {
  for (int i = 0; i < momentList->count(); ++i) momentList->item(i)->setCheckState(Qt::Unchecked);
  int place = 0;
  for (const std::string& name : names) {
    const QList<QListWidgetItem*> found = momentList->findItems(QString::fromStdString(name), Qt::MatchExactly);
    if (found.isEmpty()) continue;
    QListWidgetItem* item = momentList->takeItem(momentList->row(found.front()));
    item->setCheckState(Qt::Checked);
    momentList->insertItem(place++, item);
  }
}

CalibrationDraft CalibrationForm::draft() const {
  CalibrationDraft d;
  static_cast<DraftInputs&>(d) = inputs.draft();
  for (int row = 0; row < estimateTable->rowCount(); ++row)
    d.estimate.push_back(
        {static_cast<QComboBox*>(estimateTable->cellWidget(row, NameColumn))->currentText().toStdString(),
         cellText(estimateTable, row, FromColumn).toStdString(), cellText(estimateTable, row, ToColumn).toStdString()});
  for (int i = 0; i < momentList->count(); ++i)
    if (momentList->item(i)->checkState() == Qt::Checked)
      d.moments.push_back(momentList->item(i)->text().toStdString());
  d.weights = kWeightKinds[std::max(0, weightsBox->currentIndex())];
  d.seeds = seedsField->text().toStdString();
  d.budget = std::to_string(budgetBox->value());
  d.searchSeed = searchSeedField->text().trimmed().toStdString();
  d.tolerance = toleranceField->text().trimmed().toStdString();
  return d;
}

bool CalibrationForm::empty() const {
  const CalibrationDraft d = draft();
  return d.inputs.empty() && d.estimate.empty() && d.moments.empty();
}

void CalibrationForm::showDraft(const CalibrationDraft& d) {
  inputs.show(d);
  estimateTable->setRowCount(0);
  for (const EstimateDraft& entry : d.estimate) addEstimateRow(entry);
  rowsChanged();
  useMoments(d.moments);
  weightsBox->setCurrentText(weightKindName(d.weights));
  seedsField->setText(QString::fromStdString(d.seeds));
  budgetBox->setValue(QString::fromStdString(d.budget).toInt());
  searchSeedField->setText(QString::fromStdString(d.searchSeed));
  toleranceField->setText(QString::fromStdString(d.tolerance));
}

}  // namespace vk

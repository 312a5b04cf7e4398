#pragma once
// The form of an experiment description: the inputs folder and the run mode,
// the varied parameters (each a list of values or a range), the seeds, the
// design and what each run keeps. It holds what is typed; the description's
// writer and reader (experiment/DescriptionDraft.h, Description.h) judge it.
#include <QWidget>

#include "experiment/DescriptionDraft.h"
#include "ui/InputsFields.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace vk {

class ExperimentForm : public QWidget {
  Q_OBJECT

 public:
  explicit ExperimentForm(QWidget* parent = nullptr);

  // What the form holds; a steps field that is no whole number is a RunError.
  DescriptionDraft draft() const;
  void showDraft(const DescriptionDraft& draft);

  // A row of the varied parameters: a list ("12, 16") or a range (from, to
  // and, in a grid, steps).
  void addVaryRow(const DraftEntry& entry);
  void removeVaryRow();

  InputsFields inputs;
  QTableWidget* varyTable;
  QPushButton* addRowButton;
  QPushButton* removeRowButton;
  // The markets of an opened description, kept as they were read.
  QLabel* marketNote;
  QLineEdit* seedsField;
  QComboBox* designBox;
  QSpinBox* samplesBox;
  QLineEdit* designSeedField;
  QSpinBox* trajectoriesBox;
  QSpinBox* levelsBox;
  QComboBox* keepBox;
  // What the form does not hold of the file it was opened from.
  QLabel* note;

  enum VaryColumn { NameColumn, KindColumn, ValuesColumn, FromColumn, ToColumn, StepsColumn };

 private:
  void designChanged();
  DraftEntry rowEntry(int row) const;

  DraftEntry markets_;
};

}  // namespace vk

#pragma once
// The form of a calibration description: the inputs folder and the run mode,
// the parameters to estimate with their search ranges, the moments to match
// in their order and their weighting, the seeds, and the search's budget,
// seed and tolerance. It holds what is typed; the description's writer and
// reader (calibration/CalibrationDraft.h, CalibrationDescription.h) judge it.
#include <QWidget>

#include "calibration/CalibrationDraft.h"
#include "ui/InputsFields.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace vk {

class CalibrationForm : public QWidget {
  Q_OBJECT

 public:
  explicit CalibrationForm(QWidget* parent = nullptr);

  CalibrationDraft draft() const;
  void showDraft(const CalibrationDraft& draft);
  // Nothing typed or shown yet: no inputs folder, parameter or moment.
  bool empty() const;

  void addEstimateRow(const EstimateDraft& entry);
  void removeEstimateRow();
  // Ticks the moments named, in that order ahead of the others.
  void useMoments(const std::vector<std::string>& names);

  InputsFields inputs;
  QTableWidget* estimateTable;
  QPushButton* addRowButton;
  QPushButton* removeRowButton;
  // Every moment a calibration takes, ticked when used; their order is the
  // report's.
  QListWidget* momentList;
  QComboBox* weightsBox;
  QLineEdit* seedsField;
  QSpinBox* budgetBox;
  QLineEdit* searchSeedField;
  QLineEdit* toleranceField;
  // What the form does not hold of the file it was opened from.
  QLabel* note;

  enum EstimateColumn { NameColumn, FromColumn, ToColumn };

 private:
  void rowsChanged();
};

}  // namespace vk

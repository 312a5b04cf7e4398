#pragma once
// The rows of a description's form that name its inputs: the folder, the
// run mode and the price, data and weight structure files taken from it.
// The experiment's and the calibration's forms share them.
#include <QString>

#include "experiment/DraftText.h"

class QComboBox;
class QFormLayout;
class QLineEdit;
class QPushButton;
class QWidget;

namespace vk {

class InputsFields {
 public:
  // owner: the form the rows go into, which the folder chooser opens over.
  InputsFields(QWidget* owner, const QString& chooserTitle);

  void addRowsTo(QFormLayout* form);
  DraftInputs draft() const;
  void show(const DraftInputs& draft);

  QLineEdit* inputsField;
  QPushButton* inputsButton;
  QComboBox* modeBox;
  QLineEdit* priceField;
  QLineEdit* dataField;
  QLineEdit* wdataField;
};

}  // namespace vk

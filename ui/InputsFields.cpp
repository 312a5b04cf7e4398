#include "ui/InputsFields.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace vk {

InputsFields::InputsFields(QWidget* owner, const QString& chooserTitle)
    : inputsField(new QLineEdit),
      inputsButton(new QPushButton("Browse...")),
      modeBox(new QComboBox),
      priceField(new QLineEdit),
      dataField(new QLineEdit),
      wdataField(new QLineEdit) {
  inputsField->setToolTip("The folder with para.txt, wdata.txt, price.txt and data.txt");
  modeBox->addItems({"para.txt's mode", "write", "all"});
  for (QLineEdit* field : {priceField, dataField, wdataField})
    field->setPlaceholderText("the inputs folder's own; names are relative to it");
  QLineEdit* folder = inputsField;
  QObject::connect(inputsButton, &QPushButton::clicked, owner, [owner, folder, chooserTitle] {
    const QString dir = QFileDialog::getExistingDirectory(owner, chooserTitle, folder->text());
    if (!dir.isEmpty()) folder->setText(dir);
  });
}

void InputsFields::addRowsTo(QFormLayout* form) {
  auto* inputsRow = new QHBoxLayout;
  inputsRow->addWidget(inputsField);
  inputsRow->addWidget(inputsButton);
  form->addRow("Inputs folder", inputsRow);
  form->addRow("Mode", modeBox);
  form->addRow("Price file", priceField);
  form->addRow("Data file", dataField);
  form->addRow("Weight structure", wdataField);
}

DraftInputs InputsFields::draft() const {
  DraftInputs d;
  d.inputs = inputsField->text().trimmed().toStdString();
  d.mode = modeBox->currentIndex() == 0 ? "" : modeBox->currentText().toStdString();
  d.price = priceField->text().trimmed().toStdString();
  d.data = dataField->text().trimmed().toStdString();
  d.wdata = wdataField->text().trimmed().toStdString();
  return d;
}

void InputsFields::show(const DraftInputs& d) {
  inputsField->setText(QString::fromStdString(d.inputs));
  modeBox->setCurrentIndex(d.mode.empty() ? 0 : modeBox->findText(QString::fromStdString(d.mode)));
  priceField->setText(QString::fromStdString(d.price));
  dataField->setText(QString::fromStdString(d.data));
  wdataField->setText(QString::fromStdString(d.wdata));
}

}  // namespace vk

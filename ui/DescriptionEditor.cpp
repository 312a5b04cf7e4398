#include "ui/DescriptionEditor.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>

#include <filesystem>

#include "io/RunError.h"
#include "ui/UserPrompts.h"

namespace vk {

DescriptionEditor::DescriptionEditor(QWidget* page, UserPrompts& prompts, const Controls& controls, Format format)
    : QObject(page), page_(page), prompts_(prompts), controls_(controls), format_(std::move(format)) {
  connect(controls_.newButton, &QPushButton::clicked, this, &DescriptionEditor::newDescription);
  connect(controls_.openButton, &QPushButton::clicked, this, &DescriptionEditor::chooseDescription);
  // A path typed or pasted into the field opens with Enter, as the chooser does.
  connect(controls_.field, &QLineEdit::returnPressed, this, &DescriptionEditor::openDescription);
  connect(controls_.saveButton, &QPushButton::clicked, this, &DescriptionEditor::saveDescription);
}

std::string DescriptionEditor::file() const {
  return QFileInfo(controls_.field->text().trimmed()).absoluteFilePath().toStdString();
}

void DescriptionEditor::newDescription() {
  format_.showNew();
  if (controls_.field->text().trimmed().isEmpty())
    controls_.field->setText(QDir::current().filePath(format_.newFileName));
  // The form comes from no file: saving over one asks first.
  formFile_.clear();
  controls_.note->setVisible(false);
}

void DescriptionEditor::chooseDescription() {
  const QString chosen = prompts_.chooseFile(page_, format_.chooserTitle, QDir::currentPath(),
                                             {{format_.filesName, "*.toml"}, {"All files", "*"}});
  if (chosen.isEmpty()) return;
  controls_.field->setText(chosen);
  openDescription();
}

bool DescriptionEditor::openDescription() {
  const std::string path = file();
  try {
    const std::string text = format_.open(path);
    formFile_.shows(path, text, format_.compose(std::filesystem::path(path).parent_path().string()));
  } catch (const RunError& e) {
    prompts_.showError(page_, e.what());
    return false;
  }
  emit opened(QString::fromStdString(path));
  showNote();
  return true;
}

bool DescriptionEditor::saveDescription() {
  if (controls_.field->text().trimmed().isEmpty()) {
    prompts_.showNotice(page_, "Name the description's file first.");
    return false;
  }
  const std::string path = file();
  std::string text;
  switch (formFile_.save(page_, prompts_, path, format_.compose, text)) {
    case FormFile::Saving::Declined:
      return false;
    case FormFile::Saving::Unchanged:
      emit keptAsWritten(QString::fromStdString(path));
      break;
    case FormFile::Saving::Saved:
      // The form wrote the file: it keeps all of it, and its note goes.
      formFile_.shows(path, text, text);
      showNote();
      controls_.messages->appendPlainText("Saved " + QString::fromStdString(path) + ".");
      break;
  }
  return checkDescription(path);
}

void DescriptionEditor::showNote() {
  QLabel* note = controls_.note;
  note->setText(formFile_.notKeptText());
  note->setVisible(!note->text().isEmpty());
  if (!note->text().isEmpty()) controls_.messages->appendPlainText(note->text());
}

bool DescriptionEditor::checkDescription(const std::string& path) {
  try {
    format_.check(path);
    return true;
  } catch (const RunError& e) {
    prompts_.showError(page_, QString("It cannot run as it stands: ") + e.what());
    return false;
  }
}

QScrollArea* DescriptionEditor::scrolling(QWidget* form) {
  auto* scroll = new QScrollArea;
  scroll->setWidget(form);
  scroll->setWidgetResizable(true);
  scroll->setMinimumWidth(form->minimumSizeHint().width() + 2 * scroll->frameWidth() +
                          scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  return scroll;
}

}  // namespace vk

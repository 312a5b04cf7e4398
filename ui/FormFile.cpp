#include "ui/FormFile.h"

#include <QStringList>

#include <filesystem>

#include "experiment/DraftText.h"
#include "io/AtomicFile.h"
#include "io/RunError.h"
#include "ui/UserPrompts.h"

namespace vk {

void FormFile::shows(const std::string& file, const std::string& text, const std::string& written) {
  file_ = file;
  written_ = written;
  notKept_ = linesNotKept(text, written);
}

void FormFile::clear() { *this = FormFile(); }

bool FormFile::unchanged(const std::string& file, const std::string& written) const {
  return !file_.empty() && file == file_ && written == written_;
}

QString FormFile::notKeptText() const {
  if (notKept_.empty()) return {};
  QStringList quoted;
  for (std::size_t i = 0; i < notKept_.size() && i < 3; ++i)
    quoted << QString("line %1 '%2'").arg(notKept_[i].first).arg(QString::fromStdString(notKept_[i].second).left(40));
  if (notKept_.size() > 3) quoted << QString("%1 more").arg(notKept_.size() - 3);
  return QString(
             "The form does not keep %1 line(s) of %2 as they stand (comments, or values in a layout of its own): "
             "%3. Saving a changed form writes its values in its own layout without them.")
      .arg(notKept_.size())
      .arg(QString::fromStdString(file_))
      .arg(quoted.join(", "));
}

QString FormFile::questionBeforeSaving(const std::string& file) const {
  std::error_code error;
  if (!std::filesystem::exists(file, error)) return {};
  if (file != file_)
    return "The form was not opened from " + QString::fromStdString(file) +
           ". Replace the file with the form's description?";
  if (!notKept_.empty()) return notKeptText() + "\n\nSave anyway?";
  return {};
}

FormFile::Saving FormFile::save(QWidget* parent, UserPrompts& prompts, const std::string& file, const Composer& compose,
                                std::string& written) const {
  try {
    written = compose(std::filesystem::path(file).parent_path().string());
    if (unchanged(file, written)) return Saving::Unchanged;
    const QString question = questionBeforeSaving(file);
    if (!question.isEmpty() && !prompts.confirm(parent, "Save the description?", question)) return Saving::Declined;
    writeFileAtomically(file, written);
  } catch (const RunError& e) {
    prompts.showError(parent, QString("The description was not saved: ") + e.what());
    return Saving::Declined;
  }
  return Saving::Saved;
}

}  // namespace vk

#pragma once
// The questions, choosers and messages the windows put to the user. Each
// window asks through a UserPrompts object, so that tests can answer in
// place of the user; the program uses the real dialogs.
#include <QList>
#include <QPair>
#include <QString>

class QWidget;

namespace vk {

// The answers to "Overwrite?" when files of an earlier run would stay.
enum class EarlierRunAnswer { No, MoveAside, Keep };

class UserPrompts {
 public:
  virtual ~UserPrompts() = default;

  // The warning "Overwrite?" with the buttons Yes and No; true on Yes.
  virtual bool confirmOverwrite(QWidget* parent);
  // "Overwrite?" when the run would leave files of an earlier run beside its
  // own: earlier says which and how many, folder where MoveAside puts the
  // whole earlier run.
  virtual EarlierRunAnswer confirmOverwriteEarlier(QWidget* parent, const QString& earlier, const QString& folder);
  // A question with the buttons Yes and No, No the default; true on Yes.
  virtual bool confirm(QWidget* parent, const QString& title, const QString& question);
  // An error that ended the user's action, with the error's own message.
  virtual void showError(QWidget* parent, const QString& message);
  // A refusal that is no error of a file (for example OK before para.txt
  // could be read).
  virtual void showNotice(QWidget* parent, const QString& message);
  // A folder inside root (root itself included), or empty on cancel.
  virtual QString chooseFolder(QWidget* parent, const QString& title, const QString& root);
  // A file to open, in a chooser titled title, starting in startDir, with
  // the filters given as description/pattern pairs; empty on cancel.
  virtual QString chooseFile(QWidget* parent, const QString& title, const QString& startDir,
                             const QList<QPair<QString, QString>>& filters);

  // The dialogs the program uses.
  static UserPrompts& standard();
};

}  // namespace vk

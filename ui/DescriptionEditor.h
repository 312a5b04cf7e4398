#pragma once
// What the Experiment and the Calibration pages do alike with a description:
// the file field and its New, Open... and Save buttons, the form's note of
// what it does not keep, and the check that the saved file can run. Each
// page supplies only what is its own: the file's reader and writer, the
// form's starting point and the chooser's captions.
#include <QObject>
#include <QString>

#include <functional>
#include <string>

#include "ui/FormFile.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QWidget;

namespace vk {

class UserPrompts;

class DescriptionEditor : public QObject {
  Q_OBJECT

 public:
  // What one kind of description brings.
  struct Format {
    // The chooser's title and the name of the files it lists.
    QString chooserTitle;
    QString filesName;
    // The name a new description's file is given in the working directory.
    QString newFileName;
    // Fills the form with a new description's starting point.
    std::function<void()> showNew;
    // Reads file into the form and returns its text; a refusal is a
    // RunError naming the line.
    std::function<std::string(const std::string& file)> open;
    // The form's description as written into a file in folder.
    std::function<std::string(const std::string& folder)> compose;
    // Reads file as the command does; a RunError when it cannot run.
    std::function<void(const std::string& file)> check;
  };
  // The page's own controls; the editor answers their buttons.
  struct Controls {
    // The description's file, as typed or chosen.
    QLineEdit* field;
    QPushButton* newButton;
    QPushButton* openButton;
    QPushButton* saveButton;
    // The form's word on what it does not keep of its file.
    QLabel* note;
    // Where the page says what was saved and what the form dropped.
    QPlainTextEdit* messages;
  };

  DescriptionEditor(QWidget* page, UserPrompts& prompts, const Controls& controls, Format format);

  // A new description in the form, from no file.
  void newDescription();
  // Asks for a file and opens it.
  void chooseDescription();
  // Reads the file named in the field into the form; a refusal is shown.
  bool openDescription();
  // Writes the form into the file named in the field and reads it back;
  // false, with the reason shown, when it cannot run as written. A form
  // unchanged since it was opened leaves the file as written; a file the form
  // was not opened from, or lines of it the form does not keep, are replaced
  // only when the user agrees.
  bool saveDescription();
  // The file the field names, made absolute.
  std::string file() const;
  const FormFile& formFile() const { return formFile_; }

  // A form in a scroll area never cut at its side: only its height scrolls.
  static QScrollArea* scrolling(QWidget* form);

 signals:
  // The form now shows file, read from it.
  void opened(const QString& file);
  // Save found the form holding what file says and left it as written.
  void keptAsWritten(const QString& file);

 private:
  // Shows, and says, what the form does not keep of its file.
  void showNote();
  bool checkDescription(const std::string& file);

  QWidget* page_;
  UserPrompts& prompts_;
  Controls controls_;
  Format format_;
  FormFile formFile_;
};

}  // namespace vk

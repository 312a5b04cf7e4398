#pragma once
// The calibration page of the Experiments window: a calibration description
// made or opened in a form (CalibrationForm.h) and saved as the file the
// command reads, started on this machine's cores (velquin-cli calibrate run, resumed by
// starting it again) and stopped; while it runs, the loss by evaluation with
// the best so far, the parameters' paths and, once it has finished, actual
// against fitted moments and the report's estimate table, all read from its
// folder; and one button that writes the estimate into a para.txt.
#include <QWidget>

#include <string>
#include <vector>

#include "ui/CliProcess.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimer;

namespace vk {

class CalibrationForm;
class CalibrationPanel;
class DescriptionEditor;
class CalibrationView;
struct CalibrationOutputs;
class UserPrompts;

// Writes the values the calibration in dir estimated (names) from its
// estimate/para.txt into paraFile through the parameter table: every other
// value and the text after each value stay. Returns the comments the new
// values make untrue. A missing file, or a value beyond a run's limits, is
// a RunError and paraFile stays as it was.
std::vector<std::string> writeEstimate(const std::string& dir, const std::vector<std::string>& names,
                                       const std::string& paraFile);

class CalibrationPage : public QWidget {
  Q_OBJECT

 public:
  CalibrationPage(UserPrompts& prompts, const QString& program, QWidget* parent = nullptr);
  ~CalibrationPage() override;

  // Handlers, as DescriptionEditor's: New, the file named in the
  // description field read into the form, and the form saved into it.
  void newDescription();
  bool openDescription();
  bool saveDescription();
  void startOrStop();
  bool startCalibration();
  void stopCalibration();
  bool calibrationRunning() const { return process_->running(); }
  // Reads the folder named in the folder field and shows it.
  bool showFolder();
  // Writes the shown estimate into the para.txt the field names.
  bool takeEstimate();

  QLineEdit* descriptionField;
  QPushButton* newButton;
  QPushButton* browseButton;
  QPushButton* saveButton;
  // Hides the form, giving the charts the page's width.
  QPushButton* formButton;
  CalibrationForm* form;
  QWidget* formPanel;
  QLineEdit* folderField;
  QSpinBox* jobsBox;
  QCheckBox* replaceCheck;
  QPushButton* startButton;
  QPushButton* showButton;
  QLabel* statusLabel;
  CalibrationPanel* panel;
  QTableWidget* estimateTable;
  QLineEdit* paraField;
  QPushButton* takeButton;
  QPlainTextEdit* messages;

 private:
  void ended(CommandEnd end, const QString& message);
  void show(const CalibrationOutputs& outputs);
  void fillEstimate(const CalibrationOutputs& outputs);
  std::string folder() const;

  UserPrompts& prompts_;
  CliProcess* process_;
  std::unique_ptr<CalibrationView> view_;
  QTimer* watch_;
  std::vector<std::string> estimated_;  // the names of the finished estimate shown
  DescriptionEditor* editor_;
};

}  // namespace vk

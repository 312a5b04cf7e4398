#pragma once
// The parameter dialog (TParametersDlg): shows para.txt's six run-shaping
// values for editing, previews the price file with the training and forecast
// spans, lets the user choose the result directory, the price file and the
// data file, and writes para.txt back on OK, keeping the text after each
// value. The other twelve values pass through unchanged.
//
// The preview numbers the weeks as the run does (line 1 of the price file is
// week -4) and warns at once of weeks the price file does not hold, which OK
// then refuses. The files chosen here are shown under the chart and reach
// the main window at OK; Cansel forgets them.
//
// OK writes only a parameter set that was read whole from para.txt: while the
// last reading of the file (at the latest showing) failed, OK refuses and
// writes nothing.
#include <QDialog>
#include <QString>

#include <vector>

#include "run/Parameters.h"
#include "ui/RunFiles.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vk {

class Chart;
class LineSeries;
class UpDown;
class UserPrompts;

class TParametersDlg : public QDialog {
  Q_OBJECT

 public:
  // files: the run's names, which the dialog shows and OK sets (the result
  // directory as typed or chosen, and the price and data files chosen).
  TParametersDlg(QWidget* parent, RunFiles& files, UserPrompts* prompts = nullptr);

  const RunFiles& files() const { return files_; }
  // The names as chosen in the dialog since it was shown.
  const RunFiles& chosenFiles() const { return chosen_; }

  Parameters parameters;
  std::vector<double> previewPrices;
  // Whether the parameter set came whole from para.txt at the last reading.
  bool parametersRead() const { return parametersRead_; }

  // Steps and handlers.
  void FormShow();
  void LoadPreviewPrices();
  void ReadParameterFile();
  void WriteParameterFile();
  void DrawPreviewSegments();
  void StartGenEditChange();
  void EndGenEditChange();
  void TrainingLEditChange();
  void OKBtnClick();
  void CancelBtnClick();
  void DirBtnClick();
  void PriceBtnClick();
  void DataBtnClick();

  QFrame* Bevel1;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  QLabel* Label7;
  QLineEdit* NumAgentEdit;
  QLineEdit* StartGenEdit;
  QLineEdit* EndGenEdit;
  QLineEdit* TrainingLEdit;
  QLineEdit* SimTimesEdit;
  QLineEdit* TrainingTimesEdit;
  UpDown* UpDown1;
  UpDown* UpDown2;
  UpDown* UpDown3;
  UpDown* UpDown4;
  UpDown* UpDown5;
  UpDown* UpDown6;
  QLabel* Label6;
  QLineEdit* DirEdit;
  QPushButton* DirBtn;
  QPushButton* PriceBtn;
  QPushButton* DataBtn;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;
  QLabel* WeekWarning;
  QLabel* PriceFileLabel;
  QLabel* DataFileLabel;
  Chart* Chart1;
  LineSeries* Series1;
  LineSeries* Series2;
  LineSeries* Series3;

 protected:
  // Escape and the window's close button: the same as "Cansel".
  void reject() override;
  void showEvent(QShowEvent* event) override;

 private:
  void buildLayout();
  // The field that edits a parameter, or null for the twelve that pass
  // through unchanged.
  QLineEdit* fieldOf(const ParameterField& parameter) const;
  void weekFieldChanged(QLineEdit* field, int& value);
  void reportError(const QString& message);
  long long lastPreviewWeek() const;
  QString weekProblem() const;
  void showWeekWarning();
  void showFileNames();

  RunFiles& files_;
  RunFiles chosen_;
  UserPrompts& prompts_;
  bool parametersRead_ = false;
  bool previewLoaded_ = false;
  bool centred_ = false;
};

}  // namespace vk

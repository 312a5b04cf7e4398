#pragma once
// The parameter dialog: shows para.txt's six run-shaping
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

#include "run/ParameterFile.h"
#include "ui/RunFiles.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vk {

class Chart;
class LineSeries;
class StepButtons;
class UserPrompts;

class ParametersDialog : public QDialog {
  Q_OBJECT

 public:
  // files: the run's names, which the dialog shows and OK sets (the result
  // directory as typed or chosen, and the price and data files chosen).
  ParametersDialog(QWidget* parent, RunFiles& files, UserPrompts* prompts = nullptr);

  const RunFiles& files() const { return files_; }
  // The names as chosen in the dialog since it was shown.
  const RunFiles& chosenFiles() const { return chosen_; }

  Parameters parameters;
  std::vector<double> previewPrices;
  // Whether the parameter set came whole from para.txt at the last reading.
  bool parametersRead() const { return parametersRead_; }

  // Steps and handlers.
  void refreshFromFiles();
  void loadPreviewPrices();
  void loadParameters();
  void saveParameters();
  void drawPreviewSpans();
  void startWeekChanged();
  void endWeekChanged();
  void trainingLengthChanged();
  void applyAndClose();
  void discardAndClose();
  void chooseDirectory();
  void choosePriceFile();
  void chooseDataFile();

  QFrame* fieldsFrame;
  QLabel* agentsLabel;
  QLabel* startWeekLabel;
  QLabel* endWeekLabel;
  QLabel* trainingLengthLabel;
  QLabel* simulationTimesLabel;
  QLabel* trainingTimesLabel;
  QLineEdit* agentsField;
  QLineEdit* startWeekField;
  QLineEdit* endWeekField;
  QLineEdit* trainingLengthField;
  QLineEdit* simulationTimesField;
  QLineEdit* trainingTimesField;
  StepButtons* agentsStepper;
  StepButtons* startWeekStepper;
  StepButtons* endWeekStepper;
  StepButtons* trainingLengthStepper;
  StepButtons* simulationTimesStepper;
  StepButtons* trainingTimesStepper;
  QLabel* directoryLabel;
  QLineEdit* directoryField;
  QPushButton* directoryButton;
  QPushButton* priceFileButton;
  QPushButton* dataFileButton;
  QPushButton* okButton;
  QPushButton* cancelButton;
  QLabel* weekWarning;
  QLabel* priceFileLabel;
  QLabel* dataFileLabel;
  Chart* previewChart;
  LineSeries* allPricesSeries;
  LineSeries* trainingSeries;
  LineSeries* forecastSeries;

 protected:
  // Escape and the window's close button: the same as "Cansel".
  void reject() override;
  void showEvent(QShowEvent* event) override;

 private:
  void buildLayout();
  void buildFields();
  void buildFileButtons();
  void buildPreview();
  void connectHandlers();
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

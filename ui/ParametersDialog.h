#pragma once
// The parameter dialog. Its first page shows para.txt's six run-shaping
// values for editing, previews the price file with the training and forecast
// spans, and lets the user choose the result directory, the price file and
// the data file. Its second page edits every value of para.txt, the six of
// the first page among them (each shown on both pages alike), and the seed of
// the next run. OK writes para.txt back, keeping the text after each value,
// and names the comments that state a value no longer true.
//
// OK takes each value through the parameter table: a value beyond its limits,
// a crossover or mutation probability or a generation gap outside 0..1, a real
// para.txt cannot hold with its five decimals and a seed that is no whole
// number are refused, and nothing is written. A result directory that does
// not exist is created at OK, and the dialog says so.
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

class QComboBox;
class QFrame;
class QLabel;
class QTabBar;
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
  // files: the run's names and seed, which the dialog shows and OK sets (the
  // result directory as typed or chosen, the price and data files chosen,
  // and the seed as typed).
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
  // 0: the run's values and files; 1: every value and the seed.
  void showPage(int page);
  // What the typed values would make of para.txt's comments, below the
  // second page's fields.
  void showUntrueComments();

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
  QTabBar* pageTabs;
  QWidget* runPage;
  QWidget* everyValuePage;
  // The second page's field of each value of para.txt in the table's order;
  // null for the mode word, which modeBox holds.
  std::vector<QLabel*> valueLabels;
  std::vector<QLineEdit*> valueFields;
  QComboBox* modeBox;
  QLabel* seedLabel;
  QLineEdit* seedField;
  QLabel* commentWarning;

 protected:
  // Escape and the window's close button: the same as "Cansel".
  void reject() override;
  void showEvent(QShowEvent* event) override;

 private:
  void buildLayout();
  void buildFields();
  void buildFileButtons();
  void buildPreview();
  void buildEveryValuePage();
  void mirrorFirstPageFields();
  void connectHandlers();
  // The field that edits a parameter, or null for the twelve that pass
  // through unchanged.
  QLineEdit* fieldOf(const ParameterField& parameter) const;
  void weekFieldChanged(QLineEdit* field, int& value);
  // The values of the second page through the parameter table; the first
  // text that is no value of its field is a RunError, unless lenient, which
  // keeps the value read from para.txt for it.
  Parameters typedParameters(bool lenient) const;
  void showValue(const ParameterField& parameter);
  // Creates the typed result directory when it does not exist; says why it
  // cannot be the result directory, or nothing.
  QString prepareResultDirectory(bool& created);
  void reportError(const QString& message);
  long long lastPreviewWeek() const;
  QString weekProblem() const;
  void showWeekWarning();
  void showFileNames();

  RunFiles& files_;
  RunFiles chosen_;
  UserPrompts& prompts_;
  // para.txt's text at the last reading, for its comments.
  std::string parameterText_;
  bool parametersRead_ = false;
  bool previewLoaded_ = false;
  bool centred_ = false;
};

}  // namespace vk

#pragma once
// The Experiments window: an experiment description opened or made in a
// form and saved as the file velquin-cli sweep reads, started on this
// machine's cores and stopped, watched while it runs (the runs done, failed
// and pending, the time left, and the sweep plot of a chosen metric drawn
// again as runs end), and its results table browsed, any run's result folder
// opened in the main window's viewer or in the analysis windows. A run that
// kept only its summaries is first made again in a scratch folder, when the
// user agrees (RunRewriter.h). A third page starts and watches a
// calibration (CalibrationPage.h).
//
// The sweep runs in velquin-cli (CliProcess.h); the window reads the
// folder with the experiment's own code (SweepMonitor.h).
#include <QElapsedTimer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "experiment/Plan.h"
#include "experiment/ResultsTable.h"
#include "ui/CliProcess.h"

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class QVBoxLayout;

namespace vk {

class CalibrationPage;
class DescriptionEditor;
class Chart;
class ExperimentForm;
class ResultsTableModel;
class RunRewriter;
class SweepChart;
class SweepMonitor;
struct SweepLook;
class UserPrompts;

class ExperimentsWindow : public QWidget {
  Q_OBJECT

 public:
  // program: velquin-cli's file; by default the one beside this program.
  explicit ExperimentsWindow(QWidget* parent = nullptr, UserPrompts* prompts = nullptr,
                             const QString& program = QString());
  ~ExperimentsWindow() override;

  // What opens a run's result folder: the folder, and what it is in words
  // ("run 0003 of the experiment in /x/exp").
  using RunOpener = std::function<void(const QString& resultDir, const QString& what)>;
  // A button under the results table that opens the selected run's result
  // folder, such as "Paths plot".
  void addResultAction(const QString& label, std::function<void(const QString& resultDir)> open);
  // What "Open in main window" and a double-click on a row do.
  void setRunViewer(RunOpener view) { viewRun_ = std::move(view); }
  // Opens the selected run's result folder with open; a run that kept only
  // its summaries is offered to be made again first.
  void openSelectedRun(RunOpener open);

  // Handlers.
  // Reads the file named in the description field into the form.
  bool openDescription();
  // Writes the form into the file named in the description field and reads
  // it back, as DescriptionEditor::saveDescription does.
  bool saveDescription();
  // Start, or Stop while a sweep runs.
  void startOrStop();
  bool startSweep();
  void stopSweep();
  bool sweepRunning() const;
  // Shows results.csv of the folder named in the results field.
  void showResultsFolder();
  // Draws the sweep plot of a results table (the runs so far, or the file).
  void showTable(const std::string& name, std::string table);
  // The varied parameters the sweep plot offers along its axes; sampled
  // when the design is not a grid, whose values the plot cuts into bins.
  void setAxes(const std::vector<std::string>& names, bool sampled);
  // The result folder of the run selected in the table; empty without one.
  QString selectedRunResult() const;

  QLineEdit* descriptionField;
  QPushButton* newButton;
  QPushButton* openButton;
  QPushButton* saveButton;
  ExperimentForm* form;
  QLineEdit* folderField;
  QSpinBox* jobsBox;
  QCheckBox* replaceCheck;
  QPushButton* startButton;
  QPushButton* showResultsButton;
  QLabel* statusLabel;
  QPlainTextEdit* messages;
  QComboBox* metricBox;
  QComboBox* xBox;
  QComboBox* yBox;
  Chart* sweepChart;
  QTabWidget* tabs;
  QTableView* resultsView;
  ResultsTableModel* results;
  // Opens the selected run in the main window's viewer; enabled with a row.
  QPushButton* openRunButton;
  CalibrationPage* calibration;

 private:
  QWidget* buildExperimentTab();
  QWidget* buildResultsTab();
  void sweepEnded(CommandEnd end, const QString& message);
  void seen(const SweepLook& look);
  void showLiveResults();
  void renewChart();
  void redraw();
  void say(const QString& text);
  void rewriteEnded(const QString& runFolder, const QString& resultDir, const QString& problem);

  UserPrompts& prompts_;
  CliProcess* process_;
  DescriptionEditor* editor_;
  RunRewriter* rewriter_;
  RunOpener viewRun_;
  // What opens the run being made again once it is, and what it is.
  RunOpener openRewritten_;
  QString rewrittenWhat_;
  SweepMonitor* monitor_;
  std::unique_ptr<SweepChart> sweepView_;
  QVBoxLayout* chartHolder_;
  QHBoxLayout* resultButtons_;
  QWidget* resultsTab_;
  bool resultsStale_ = false;
  std::shared_ptr<const ExperimentPlan> plan_;
  QString runningDir_;
  bool sampled_ = false;
  std::string tableName_;
  std::string table_;
  QElapsedTimer clock_;
  int finishedAtStart_ = -1;
};

}  // namespace vk

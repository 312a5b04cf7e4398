#pragma once
// The main window: the three names a run needs, the Start button
// that runs a simulation off the window's thread and becomes Stop while it
// runs, the progress rows with the run's path and time left, the log and the
// three live charts the run draws through the display operations, the path
// viewer, the Setting and Analyzer buttons and the charts' Save buttons.
//
// Controls are public members named by their role, as the window's own
// handlers and the tests address them; a lookup by name uses the object
// names the layout sets.
#include <QString>
#include <QStringList>
#include <QWidget>

#include <QElapsedTimer>
#include <QIcon>
#include <QPointF>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "model/Display.h"
#include "run/ParameterFile.h"
#include "ui/ErrorsWindow.h"
#include "ui/FlatProgressBar.h"
#include "ui/PathViewer.h"
#include "ui/RepaintPacer.h"
#include "ui/RunFiles.h"
#include "ui/RunProgress.h"
#include "ui/RunThread.h"

class QCheckBox;
class QCloseEvent;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QScrollBar;
class QTimer;

namespace vk {

class BarSeries;
class Chart;
class LineSeries;
class ParametersDialog;
class StepButtons;
class UserPrompts;

// Whether dir holds a file or folder named r*.csv, in any letter case: the
// files a run would overwrite.
bool holdsRunFiles(const QString& dir);

class MainWindow : public QWidget, public Display, private ViewerControls {
  Q_OBJECT

 public:
  explicit MainWindow(UserPrompts* prompts = nullptr);
  ~MainWindow() override;

  // The names a run needs, shared with the parameter dialog.
  RunFiles runFiles;

  void setParametersDialog(ParametersDialog* dialog) { parametersDialog_ = dialog; }
  // Calls action with the result directory whenever a run has ended.
  void whenRunEnds(std::function<void(const QString& resultDir)> action) { runEndedActions_.push_back(action); }
  // Enables an Analyzer button: pressing it calls open with the folder the
  // window views (viewedDir).
  void setAnalyzerAction(QPushButton* button, std::function<void(const QString& resultDir)> open);

  // Shows another result folder, such as an experiment's run, in the viewer
  // and through the Analyzer buttons, the bar under the log naming it as
  // what. Start still writes into runFiles.resultDir, and first comes back
  // to it. During a run it says so and changes nothing.
  void viewFolder(const QString& dir, const QString& what);
  // Back to the window's own result directory.
  void viewOwnResults();
  // The folder the viewer and the Analyzer buttons read.
  QString viewedDir() const { return viewedDir_.isEmpty() ? runFiles.resultDir : viewedDir_; }
  // Calls action with the folder viewed whenever it changes.
  void whenViewChanges(std::function<void(const QString& dir)> action) { viewChangedActions_.push_back(action); }

  // Handlers.
  void openSettings();
  // The Start button: Start, or Stop while a run is under way.
  void startOrStop();
  // Starts a run off the window's thread; during a run it says so and
  // starts none.
  void startRun();
  // Ends the run after its current week; the cut path stays marked.
  void stopRun();
  bool runInProgress() const { return run_->running(); }
  // Lets the window's events run until the run under way has ended.
  void waitForRunEnd();
  void pathFieldChanged();
  void playOrPauseReplay();
  void stopReplay();
  void replaySpeedChanged();
  void replayStep();
  void exitProgram();

  // The display operations of a run.
  void AppendLog(const std::string& text) override;
  // A line of the log that begins "Warning: ".
  void Warn(const std::string& text) override;
  void SetWeekProgress(int percent) override;
  void SetPathProgress(int percent) override;
  void ClearActualSeries() override;
  void AddActualPoint(int week, double rate) override;
  void RedrawRateChart() override;
  void ClearSimulationSeries() override;
  bool GraphEnabled() override;
  void AddSimulationPoint(int week, double rate) override;
  void ShowWeights(const double* means, int n) override;
  void ShowSupplyDemand(int ndiv, const double* supply, const double* demand) override;

  PathViewer& viewer() { return *viewer_; }
  RepaintPacer& pacer() { return pacer_; }

  QLabel* banner;
  QGroupBox* simulationGroup;
  QPushButton* settingButton;
  QPushButton* startButton;
  QCheckBox* graphCheck;
  QGroupBox* viewerGroup;
  QLabel* pathLabel;
  QLineEdit* pathField;
  StepButtons* pathStepper;
  QPushButton* playButton;
  QPushButton* stopReplayButton;
  QLabel* speedLabel;
  QScrollBar* speedBar;
  // Which way the speed bar goes.
  QLabel* slowLabel;
  QLabel* fastLabel;
  QGroupBox* analyzerGroup;
  QPushButton* pathsPlotButton;
  QPushButton* contourPlotButton;
  QPushButton* weightsPlotButton;
  QPushButton* factsPlotButton;
  // Opens the Experiments window, which start-up connects.
  QPushButton* experimentsButton;
  QPushButton* exitButton;
  QFrame* chartPanel;
  Chart* rateChart;
  LineSeries* actualSeries;
  LineSeries* simulationSeries;
  QPushButton* saveRateButton;
  Chart* supplyDemandChart;
  LineSeries* supplySeries;
  LineSeries* demandSeries;
  QPushButton* saveSupplyDemandButton;
  Chart* weightsChart;
  BarSeries* weightSeries;
  QPushButton* saveWeightsButton;
  QFrame* progressPanel;
  QLabel* weekLabel;
  FlatProgressBar* weekBar;
  QLineEdit* weekPercentField;
  QLabel* weekPercentSign;
  QLabel* pathProgressLabel;
  FlatProgressBar* pathBar;
  QLineEdit* pathPercentField;
  QLabel* pathPercentSign;
  QPlainTextEdit* logView;
  QTimer* replayTimer;
  // "Path k of N, m:ss left" during a run, right of the banner; during a
  // replay, the week it has reached.
  QLabel* runStatus;
  // Each finished path's errors, beside the window during a run.
  ErrorsWindow* errorsWindow;
  // Under the log while another folder is viewed: which, and the way back.
  QFrame* viewingBar;
  QLabel* viewingLabel;
  QPushButton* backButton;

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void buildLayout();
  void buildSimulationGroup();
  void buildViewerGroup();
  void buildAnalyzerGroup();
  void buildProgressPanel();
  void nameControls();
  void buildCharts();
  void connectHandlers();
  void giveButtonsKeys();
  void resetState();
  void setProgress(int& shown, int percent, int target);
  void clearProgressRows();
  void runFinished(RunEnd end, const QString& failure);
  std::string stoppedRunNote() const;
  std::string factsNote() const;
  void nameChartsDirectory();
  std::string runNote(const QString& duration) const;
  void showRunStatus();
  void clearLiveCharts();
  void showProgressRow(QLineEdit* field, FlatProgressBar* bar, int percent);
  void showRateChart();
  void showLogLines();
  void showWeights();
  void showSupplyDemand();
  void paintMarked();
  void reportError(const QString& message);
  void buildViewingBar();
  // Hides the bar and gives its room back; the charts keep what they show.
  void endViewing(const std::string& note);
  // Loads the path the field names from the folder now viewed.
  void showViewedFolder();
  void fitViewingText();
  void relayout();
  bool confirmRunOver(const std::string& dir);

  // The viewer's hold on the window.
  void setPathControlsEnabled(bool enabled) override;
  void setTimerRunning(bool running) override;
  void showButtonImage(ButtonImage image) override;
  void showReplayWeek(int week, int first, int last) override;

  UserPrompts& prompts_;
  // Start's two faces, made once: the style makes an icon anew each time.
  QIcon startIcon_, stopIcon_;
  ParametersDialog* parametersDialog_ = nullptr;
  std::unique_ptr<PathViewer> viewer_;
  // Ten pictures a second show a run well; each costs milliseconds of the
  // processor the run shares with the window.
  RepaintPacer pacer_{100};
  int rateTarget_, supplyDemandTarget_, weightsTarget_, weekRowTarget_, pathRowTarget_, errorsTarget_, statusTarget_,
      windowTarget_;
  // What the rate chart showed when it was last shown: a run draws the
  // same actual rate at every path, which is then not painted again.
  QVector<QPointF> shownActual_;
  int simulationRevision_ = 0, shownSimulationRevision_ = -1;
  // The viewer's drawings into the rate chart when a run last showed it.
  int viewerDrawingsShown_ = -1;
  // Lines for the log not yet shown, during a run and its ending.
  QStringList newLogLines_;
  bool endingRun_ = false;
  // Whether the pacer is painting the window now.
  bool presenting_ = false;
  // The latest weights and supply and demand of the run, which the charts
  // take when they are shown: a run gives them every week.
  std::vector<double> weights_;
  int levels_ = 0;
  std::vector<double> supply_, demand_;
  // The percentages to show; -1 while the field is still empty.
  int weekPercent_ = -1;
  int pathPercent_ = -1;
  bool centred_ = false;
  RunProgress progress_;
  QElapsedTimer runClock_;
  // The seed the run under way or last ended was started with; empty for the
  // fixed seed.
  QString runSeed_;
  // para.txt as the run read it, when it could be read.
  std::optional<Parameters> runParameters_;
  // Whether the run writes eval.txt, which the errors window follows.
  bool reportsErrors_ = false;
  int pathsRead_ = 0;
  std::function<void()> runEnded_;
  std::vector<std::function<void(const QString&)>> runEndedActions_;
  // Another folder the viewer and the Analyzer buttons read; empty for
  // runFiles.resultDir.
  QString viewedDir_;
  QString viewedWhat_;
  std::vector<std::function<void(const QString&)>> viewChangedActions_;
  // Last, so that a run still under way ends before the window's parts go.
  std::unique_ptr<RunThread> run_;
};

}  // namespace vk

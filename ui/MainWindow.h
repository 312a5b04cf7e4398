#pragma once
// The main window (TForm1): the three names a run needs, the Start button
// that runs a simulation on this thread, the progress rows, the log and the
// three live charts the run draws through the display operations, the path
// viewer, the Setting and Analyzer buttons and the charts' Save buttons.
//
// Controls are public members named as in the window's layout, as the
// window's own handlers and the tests address them.
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

#include "run/Display.h"
#include "ui/PathViewer.h"
#include "ui/RepaintPacer.h"
#include "ui/RunFiles.h"

class QCheckBox;
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
class TParametersDlg;
class UpDown;
class UserPrompts;

// Whether dir holds a file or folder named r*.csv, in any letter case: the
// files a run would overwrite.
bool holdsRunFiles(const QString& dir);

class TForm1 : public QWidget, public Display, private ViewerControls {
  Q_OBJECT

 public:
  explicit TForm1(UserPrompts* prompts = nullptr);
  ~TForm1() override;

  // The names a run needs, shared with the parameter dialog.
  RunFiles runFiles;

  void setParametersDialog(TParametersDlg* dialog) { parametersDlg_ = dialog; }
  // Enables an Analyzer button: pressing it calls open with resultDir.
  void setAnalyzerAction(QPushButton* button, std::function<void(const QString& resultDir)> open);

  // Handlers.
  void SettingBtnClick();
  void StartBtnClick();
  void NumPathChange();
  void ViewStartBtnClick();
  void ViewStopBtnClick();
  void ScrollBar1Change();
  void Timer1Timer();
  void ExitBtnClick();

  // The display operations of a run.
  void AppendLog(const std::string& text) override;
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

  QLabel* StaticText1;
  QGroupBox* GroupBox1;
  QPushButton* SettingBtn;
  QPushButton* StartBtn;
  QCheckBox* GraphCheck;
  QGroupBox* GroupBox2;
  QLabel* Label6;
  QLineEdit* NumPath;
  UpDown* UpDown1;
  QPushButton* ViewStartBtn;
  QPushButton* ViewStopBtn;
  QLabel* Label7;
  QScrollBar* ScrollBar1;
  QGroupBox* GroupBox3;
  QPushButton* PathPlotBtn;
  QPushButton* ContPlotBtn;
  QPushButton* WPlotBtn;
  QPushButton* FactsPlotBtn;
  QPushButton* ExitBtn;
  QFrame* Panel3;
  Chart* Chart1;
  LineSeries* Series1;
  LineSeries* Series2;
  QPushButton* SaveBtn;
  Chart* Chart2;
  LineSeries* Series3;
  LineSeries* Series4;
  QPushButton* SaveBtn2;
  Chart* Chart3;
  BarSeries* Series5;
  QPushButton* SaveBtn3;
  QFrame* Panel2;
  QLabel* Label1;
  QProgressBar* ProgressBar1;
  QLineEdit* Edit1;
  QLabel* Label3;
  QLabel* Label2;
  QProgressBar* ProgressBar2;
  QLineEdit* Edit2;
  QLabel* Label4;
  QPlainTextEdit* Memo1;
  QTimer* Timer1;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void buildLayout();
  void buildCharts();
  void connectHandlers();
  void giveButtonsKeys();
  void FormCreate();
  void setProgress(int& shown, int percent, int target);
  void clearProgressRows();
  void repaintUncovered();
  void paintProgressRow(QLineEdit* field, QProgressBar* bar, int percent);
  void reportError(const QString& message);
  bool confirmRunOver(const std::string& dir);

  // The viewer's hold on the window.
  void setPathControlsEnabled(bool enabled) override;
  void setTimerRunning(bool running) override;
  void showButtonImage(ButtonImage image) override;

  UserPrompts& prompts_;
  TParametersDlg* parametersDlg_ = nullptr;
  std::unique_ptr<PathViewer> viewer_;
  RepaintPacer pacer_;
  int rateTarget_, supplyDemandTarget_, weightsTarget_, weekRowTarget_, pathRowTarget_, logTarget_;
  // The percentages to show; -1 while the field is still empty.
  int weekPercent_ = -1;
  int pathPercent_ = -1;
  bool centred_ = false;
};

}  // namespace vk

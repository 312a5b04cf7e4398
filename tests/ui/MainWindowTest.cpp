// The main window: its layout, the display operations a run calls, the
// Start action with its overwrite question, the run off the window's thread
// with Stop, and the paced repainting.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <qwt_abstract_legend.h>
#include <qwt_plot_barchart.h>
#include <qwt_plot_curve.h>
#include <qwt_scale_div.h>

#include "FakePrompts.h"
#include "Pixels.h"
#include "chart/Chart.h"
#include "chart/ChartExport.h"
#include "io/ResultLock.h"
#include "model/Display.h"
#include "model/Seed.h"
#include "run/RunDriver.h"
#include "tests/io/CommaLocale.h"
#include "tests/io/LockingProcess.h"
#include "ui/MainWindow.h"
#include "ui/ParametersDialog.h"
#include "ui/RepaintPacer.h"
#include "ui/StepButtons.h"

using vk::MainWindow;
using vk::testing::FakePrompts;
using vk::testing::ScratchDir;

using vk::testing::countPixels;

namespace {

QVector<QPointF> pts(std::initializer_list<std::pair<double, double>> list) {
  QVector<QPointF> out;
  for (const auto& p : list) out.append(QPointF(p.first, p.second));
  return out;
}

// The demo with two paths and one training pass: a whole run in mode "all"
// in a few hundredths of a second.
void writeShortDemo(const ScratchDir& dir) {
  dir.copyDemo();
  QString para = dir.read("para.txt");
  para.replace("\n10 simtimes", "\n2 simtimes").replace("\n5 nsample", "\n1 nsample");
  dir.write("para.txt", para);
  QDir(dir.path()).mkdir("result");
}

// The log of a run of the short demo: the run's lines, then the window's
// note naming the directory, the seed, the duration and what differs from
// the demo's para.txt.
bool isShortRunLog(const QString& log) {
  static const QRegularExpression shape(
      "^Simulation start!\nSimulation end.\nRun into 'result' with the fixed seed took \\d+:\\d\\d; para.txt "
      "unlike the demo's: simtimes 2 \\(demo 10\\), nsample 1 \\(demo 5\\)\\.\nMedian RMSE ratio "
      "\\d+\\.\\d{3} \\(10-90 %: \\d+\\.\\d{3}-\\d+\\.\\d{3}\\) over 2 paths\\.\n"
      "Facts furthest from the actual: [A-Z][^;\n]+ \\(paths' median [^;\n]+\\)(; [^;\n]+){2}\\.$");
  return shape.match(log).hasMatch();
}

// Counts the paintings of a widget.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int count = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count;
    return false;
  }
};

// The parts of the main window a run changes, as the screen shows them,
// against the same parts drawn afresh: a part changed and never painted
// differs.
bool screenShowsTheRunsParts(MainWindow& form) {
  const QImage shown = form.screen()->grabWindow(form.winId()).toImage().convertToFormat(QImage::Format_RGB32);
  for (QWidget* part :
       std::initializer_list<QWidget*>{form.chartPanel, form.progressPanel, form.logView, form.runStatus}) {
    const QRect place = part->geometry();
    if (shown.copy(place) != form.grab(place).toImage().convertToFormat(QImage::Format_RGB32)) return false;
  }
  return true;
}

// Starts a run and lets the window's events run until it has ended.
void runToEnd(MainWindow& form) {
  form.startRun();
  form.waitForRunEnd();
}

// Records, at the run's first log line, whether the path controls were
// usable: the state the user sees while the run lasts.
class SpyForm : public MainWindow {
 public:
  using MainWindow::MainWindow;
  bool pathControlsEnabledDuringRun = true;
  void AppendLog(const std::string& text) override {
    if (text == "Simulation start!") pathControlsEnabledDuringRun = pathField->isEnabled() || pathStepper->isEnabled();
    MainWindow::AppendLog(text);
  }
};

// Presses Stop when the window shows the run's first week: the run is then
// well under way and, its queue of operations being bounded, far from its end.
class StoppingForm : public MainWindow {
 public:
  using MainWindow::MainWindow;
  bool stopShown = false;
  // Stop pressed once the window has taken the first week of the second
  // path, whose status is then still to be painted, rather than at the
  // run's first week; and the status line then painted.
  bool pressAtSecondPath = false;
  QString statusPainted;
  void SetWeekProgress(int percent) override {
    if (!pressAtSecondPath) press();
    MainWindow::SetWeekProgress(percent);
    if (pressAtSecondPath && percent < lastPercent_ && !pressed_) {
      press();
      pacer().flush();
      statusPainted = runStatus->text();
    }
    lastPercent_ = percent;
  }

 private:
  void press() {
    if (pressed_) return;
    pressed_ = true;
    stopShown = startButton->text() == "Stop";
    QTest::mouseClick(startButton, Qt::LeftButton);
  }
  bool pressed_ = false;
  int lastPercent_ = -1;
};

// Writes down every display operation the window is given, in order.
class RecordingForm : public MainWindow {
 public:
  using MainWindow::MainWindow;
  QStringList calls;
  QStringList statusAtPathEnds;
  void AppendLog(const std::string& text) override {
    calls << "log " + QString::fromStdString(text);
    MainWindow::AppendLog(text);
  }
  void SetWeekProgress(int percent) override {
    calls << QString("week %1").arg(percent);
    MainWindow::SetWeekProgress(percent);
  }
  void SetPathProgress(int percent) override {
    calls << QString("path %1").arg(percent);
    MainWindow::SetPathProgress(percent);
    // As a painting at that moment would show it.
    pacer().flush();
    statusAtPathEnds << runStatus->text();
  }
  void ClearActualSeries() override {
    calls << "clear actual";
    MainWindow::ClearActualSeries();
  }
  void AddActualPoint(int week, double rate) override {
    calls << QString("actual %1 %2").arg(week).arg(rate, 0, 'g', 17);
    MainWindow::AddActualPoint(week, rate);
  }
  void RedrawRateChart() override {
    calls << "redraw";
    MainWindow::RedrawRateChart();
  }
  void ClearSimulationSeries() override {
    calls << "clear simulation";
    MainWindow::ClearSimulationSeries();
  }
  void AddSimulationPoint(int week, double rate) override {
    calls << QString("simulation %1 %2").arg(week).arg(rate, 0, 'g', 17);
    MainWindow::AddSimulationPoint(week, rate);
  }
  void ShowWeights(const double* means, int n) override {
    calls << "weights" + numbers(means, n);
    MainWindow::ShowWeights(means, n);
  }
  void ShowSupplyDemand(int ndiv, const double* supply, const double* demand) override {
    calls << QString("levels %1").arg(ndiv) + numbers(supply, 2 * ndiv + 1) + numbers(demand, 2 * ndiv + 1);
    MainWindow::ShowSupplyDemand(ndiv, supply, demand);
  }
  static QString numbers(const double* values, int n) {
    QString text;
    for (int i = 0; i < n; ++i) text += QString(" %1").arg(values[i], 0, 'g', 17);
    return text;
  }
};

// The same record of a run made without a window, with Graph on.
class RecordingDisplay : public vk::Display {
 public:
  explicit RecordingDisplay(RecordingForm& form) : form_(form) {}
  void AppendLog(const std::string& text) override { form_.RecordingForm::AppendLog(text); }
  void Warn(const std::string& text) override { form_.RecordingForm::Warn(text); }
  void SetWeekProgress(int percent) override { form_.RecordingForm::SetWeekProgress(percent); }
  void SetPathProgress(int percent) override { form_.RecordingForm::SetPathProgress(percent); }
  void ClearActualSeries() override { form_.RecordingForm::ClearActualSeries(); }
  void AddActualPoint(int week, double rate) override { form_.RecordingForm::AddActualPoint(week, rate); }
  void RedrawRateChart() override { form_.RecordingForm::RedrawRateChart(); }
  void ClearSimulationSeries() override { form_.RecordingForm::ClearSimulationSeries(); }
  bool GraphEnabled() override { return true; }
  void AddSimulationPoint(int week, double rate) override { form_.RecordingForm::AddSimulationPoint(week, rate); }
  void ShowWeights(const double* means, int n) override { form_.RecordingForm::ShowWeights(means, n); }
  void ShowSupplyDemand(int ndiv, const double* supply, const double* demand) override {
    form_.RecordingForm::ShowSupplyDemand(ndiv, supply, demand);
  }

 private:
  RecordingForm& form_;
};

// The result files of a short demo run started from the window, by name.
QMap<QString, QByteArray> filesIn(const QString& folder) {
  QMap<QString, QByteArray> files;
  for (const QFileInfo& entry : QDir(folder).entryInfoList(QDir::Files)) {
    QFile f(entry.filePath());
    f.open(QIODevice::ReadOnly);
    files[entry.fileName()] = f.readAll();
  }
  return files;
}

// The files of a window run of the short demo, with the seed as the
// parameter dialog gives it; its log in log, if given.
QMap<QString, QByteArray> resultsOfAWindowRun(const QString& seed = QString(), QString* log = nullptr) {
  ScratchDir dir;
  writeShortDemo(dir);
  FakePrompts prompts;
  MainWindow form(&prompts);
  form.runFiles.seed = seed;
  runToEnd(form);
  if (log) *log = form.logView->toPlainText();
  if (!prompts.errors.isEmpty()) return {};
  return filesIn(dir.file("result"));
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // The layout's size is the default and the least; a larger window grows
  // the charts, and the rows below them keep their height.
  void aLargerWindowGivesTheChartsTheRoom() {
    FakePrompts prompts;
    MainWindow form(&prompts);
    QCOMPARE(form.minimumSize(), QSize(767, 565));
    QVERIFY(form.maximumSize().width() > 767);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.size(), QSize(767, 565));
    form.resize(1067, 765);
    QTRY_COMPARE(form.chartPanel->geometry(), QRect(152, 24, 909, 585));
    QCOMPARE(form.rateChart->geometry(), QRect(8, 0, 893, 309));
    QCOMPARE(form.supplyDemandChart->geometry().top(), 300);
    QCOMPARE(form.supplyDemandChart->height(), 285);
    QCOMPARE(form.weightsChart->geometry().right(), form.rateChart->geometry().right());
    QVERIFY(form.supplyDemandChart->width() > 185 && form.weightsChart->width() > 409);
    QCOMPARE(form.progressPanel->geometry(), QRect(8, 608, 1053, 57));
    QCOMPARE(form.weekBar->width(), 861);
    QCOMPARE(form.logView->geometry(), QRect(8, 664, 1053, 97));
    QCOMPARE(form.saveRateButton->x(), 972);
    QCOMPARE(form.saveSupplyDemandButton->geometry().right(), form.supplyDemandChart->width() - 9);
    // Back to the layout's size, everything in its first place.
    form.resize(767, 565);
    QTRY_COMPARE(form.chartPanel->geometry(), QRect(152, 24, 609, 385));
    QCOMPARE(form.weightsChart->geometry(), QRect(192, 200, 409, 185));
    QCOMPARE(form.saveWeightsButton->geometry(), QRect(240, 8, 41, 17));
    QCOMPARE(form.logView->geometry(), QRect(8, 464, 753, 97));
  }

  // A saved live chart says which result directory it shows; the window
  // keeps its layout without a caption.
  void savedChartsNameTheirDirectory() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    MainWindow form(&prompts);
    runToEnd(form);
    for (vk::Chart* chart : {form.rateChart, form.supplyDemandChart, form.weightsChart}) {
      QCOMPARE(chart->exportCaption(), QString("Result directory: result"));
      QVERIFY(chart->caption().isEmpty());
    }
    vk::renderChartToFile(*form.rateChart, dir.file("with.png"), QSize(600, 300));
    QVERIFY(form.rateChart->caption().isEmpty());  // the window's chart as it was
    form.rateChart->setExportCaption(QString());
    vk::renderChartToFile(*form.rateChart, dir.file("without.png"), QSize(600, 300));
    QVERIFY(QImage(dir.file("with.png")) != QImage(dir.file("without.png")));
  }

  // On screen the charts name their directory in the rate chart's empty
  // column under its legend, clear of the legend and the plotting area, at
  // the layout's size and when the window grows.
  void liveChartsNameTheirDirectoryUnderTheLegend() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    MainWindow form(&prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    runToEnd(form);
    auto* caption = form.rateChart->findChild<QLabel*>("LegendCaption");
    QVERIFY(caption);
    QCOMPARE(caption->text(), QString("Directory:\nresult"));
    const auto* legend = form.rateChart->legend();
    for (QSize size : {QSize(1069, 765), QSize(767, 565)}) {
      form.resize(size);
      QTRY_COMPARE(form.size(), size);
      QCoreApplication::processEvents();
      QVERIFY(caption->isVisible());
      QVERIFY(form.rateChart->rect().contains(caption->geometry()));
      QVERIFY(caption->y() >= legend->y() + legend->sizeHint().height());
      const QRect save(form.rateChart->mapFrom(&form, form.saveRateButton->pos()), form.saveRateButton->size());
      QVERIFY(!caption->geometry().intersects(save));
      QVERIFY(caption->x() > form.rateChart->canvas()->geometry().right());
      QVERIFY(caption->width() >= caption->fontMetrics().horizontalAdvance("Directory:"));
    }
    QCOMPARE(form.rateChart->geometry(), QRect(8, 0, 593, 209));  // back at the layout's size
  }

  // A result directory that is not there is said plainly, and no run starts.
  void startIntoAMissingDirectorySaysSo() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    MainWindow form(&prompts);
    form.runFiles.resultDir = "nowhere";
    form.startRun();
    QVERIFY(!form.runInProgress());
    QCOMPARE(prompts.notices.size(), 1);
    QVERIFY2(prompts.notices[0].startsWith("The result directory 'nowhere' does not exist."),
             qPrintable(prompts.notices[0]));
    QVERIFY(prompts.errors.isEmpty());
    QVERIFY(!dir.exists("nowhere"));
    QCOMPARE(form.startButton->text(), QString("Start"));
  }

  void layoutHasEveryControlInItsPlace() {
    FakePrompts prompts;
    MainWindow form(&prompts);
    QCOMPARE(form.windowTitle(), QString("VELQUIN KRA"));
    QCOMPARE(form.size(), QSize(767, 565));
    struct Place {
      const char* name;
      QRect geometry;
    };
    // Places relative to the control's group or panel.
    const Place places[] = {
        {"StaticText1", {248, 0, 277, 19}}, {"GroupBox1", {8, 16, 137, 105}},   {"SettingBtn", {16, 16, 105, 25}},
        {"StartBtn", {16, 48, 105, 25}},    {"GroupBox2", {8, 120, 137, 81}},   {"NumPath", {32, 16, 33, 20}},
        {"UpDown1", {65, 16, 16, 20}},      {"ViewStartBtn", {80, 16, 17, 17}}, {"ViewStopBtn", {96, 16, 17, 17}},
        {"ScrollBar1", {8, 56, 121, 17}},   {"GroupBox3", {8, 200, 137, 169}},  {"PathPlotBtn", {8, 16, 121, 25}},
        {"ContPlotBtn", {8, 48, 121, 25}},  {"WPlotBtn", {8, 80, 121, 25}},     {"FactsPlotBtn", {8, 112, 121, 25}},
        {"ExitBtn", {8, 376, 137, 25}},     {"Panel3", {152, 24, 609, 385}},    {"Chart1", {8, 0, 593, 209}},
        {"SaveBtn", {672, 40, 41, 17}},     {"Chart2", {8, 200, 185, 185}},     {"SaveBtn2", {144, 8, 33, 17}},
        {"Chart3", {192, 200, 409, 185}},   {"SaveBtn3", {240, 8, 41, 17}},     {"Panel2", {8, 408, 753, 57}},
        {"ProgressBar1", {56, 8, 561, 17}}, {"Edit1", {656, 8, 73, 20}},        {"ProgressBar2", {56, 32, 561, 17}},
        {"Edit2", {656, 32, 73, 20}},       {"Memo1", {8, 464, 753, 97}},
    };
    for (const Place& p : places) {
      auto* w = form.findChild<QWidget*>(p.name);
      QVERIFY2(w, p.name);
      QVERIFY2(w->geometry() == p.geometry, p.name);
    }
    QCOMPARE(form.saveSupplyDemandButton->parentWidget(), static_cast<QWidget*>(form.supplyDemandChart));
    QCOMPARE(form.saveWeightsButton->parentWidget(), static_cast<QWidget*>(form.weightsChart));
    QCOMPARE(form.graphCheck->pos(), QPoint(40, 80));
    QCOMPARE(form.pathLabel->pos(), QPoint(8, 18));
    QVERIFY(form.findChild<QTimer*>("Timer1"));

    // Captions, by the property that shows them.
    const std::pair<const char*, const char*> captions[] = {
        {"StaticText1", "VELQUIN KRA - Artificial Market Simulator"},
        {"GroupBox1", "Simulation"},
        {"SettingBtn", "Setting"},
        {"StartBtn", "Start"},
        {"GraphCheck", "Graph"},
        {"GroupBox2", "Viewer"},
        {"Label6", "Path"},
        {"NumPath", "0"},
        {"Label7", "Speed"},
        {"GroupBox3", "Analyzer"},
        {"PathPlotBtn", "Paths plot"},
        {"ContPlotBtn", "Contour plot"},
        {"WPlotBtn", "Weights plot"},
        {"FactsPlotBtn", "Facts plot"},
        {"ExitBtn", "Exit"},
        {"SaveBtn", "Save"},
        {"SaveBtn2", "Save"},
        {"SaveBtn3", "Save"},
        {"Label1", "Period"},
        {"Label2", "Trial"},
        {"Label3", "%"},
        {"Label4", "%"},
        {"ViewStartBtn", ""},
        {"ViewStopBtn", ""}};
    for (const auto& [name, caption] : captions) {
      const QWidget* w = form.findChild<QWidget*>(name);
      const char* property = qobject_cast<const QGroupBox*>(w) ? "title" : "text";
      QVERIFY2(w->property(property).toString() == caption, name);
    }
    QCOMPARE(form.banner->alignment(), Qt::AlignCenter);
    QVERIFY(!form.startButton->icon().isNull());
    QVERIFY(!form.exitButton->icon().isNull());
    QVERIFY(!form.playButton->icon().isNull());
    QVERIFY(!form.stopReplayButton->icon().isNull());
  }

  void controlsStartWithTheirSettings() {
    FakePrompts prompts;
    MainWindow form(&prompts);
    QVERIFY(form.graphCheck->isChecked());
    QCOMPARE(form.pathStepper->minimum(), 0);
    QCOMPARE(form.pathStepper->maximum(), 100);
    QCOMPARE(form.pathStepper->position(), 0);
    QCOMPARE(form.speedBar->minimum(), 0);
    QCOMPARE(form.speedBar->maximum(), 100);
    QCOMPARE(form.speedBar->value(), 50);
    QVERIFY(!form.replayTimer->isActive());
    QCOMPARE(form.replayTimer->interval(), 51);
    for (QProgressBar* bar : {form.weekBar, form.pathBar}) {
      QCOMPARE(bar->minimum(), 0);
      QCOMPARE(bar->maximum(), 100);
      QCOMPARE(bar->value(), 0);
    }
    QVERIFY(form.weekPercentField->text().isEmpty());
    QVERIFY(form.pathPercentField->text().isEmpty());
    QVERIFY(form.logView->toPlainText().isEmpty());
    QCOMPARE(form.runFiles.resultDir, QString("result"));
    QCOMPARE(form.runFiles.priceFileName, QString("price.txt"));
    QCOMPARE(form.runFiles.dataFileName, QString("data.txt"));
    QCOMPARE(form.viewer().state(), vk::ViewerState::Stopped);
    QString opened;
    form.setAnalyzerAction(form.weightsPlotButton, [&opened](const QString& dir) { opened = dir; });
    QVERIFY(form.weightsPlotButton->isEnabled());
    form.runFiles.resultDir = "run7";
    form.weightsPlotButton->click();
    QCOMPARE(opened, QString("run7"));
  }

  void chartsHaveTheirSeriesAndSettings() {
    FakePrompts prompts;
    MainWindow form(&prompts);
    struct Line {
      vk::LineSeries* series;
      const char* title;
      QColor colour;
      QwtPlotCurve::CurveStyle style;
    };
    const Line lines[] = {
        {form.actualSeries, "Actual", Qt::red, QwtPlotCurve::Lines},
        {form.simulationSeries, "Simulation", Qt::blue, QwtPlotCurve::Lines},
        {form.supplySeries, "Supply", QColor(255, 128, 0), QwtPlotCurve::Steps},
        {form.demandSeries, "Demand", QColor(0, 128, 128), QwtPlotCurve::Steps},
    };
    for (const Line& l : lines) {
      QCOMPARE(l.series->title(), QString(l.title));
      QCOMPARE(l.series->curve()->pen().color(), l.colour);
      QCOMPARE(l.series->curve()->pen().width(), 2);
      QCOMPARE(l.series->curve()->style(), l.style);
      QVERIFY(!l.series->curve()->symbol());
    }
    QCOMPARE(form.rateChart->chartTitle(), QString("Rate"));
    QVERIFY(form.rateChart->title().text().isEmpty());  // named, not shown
    QCOMPARE(form.supplyDemandChart->title().text(), QString("Supply & Demand"));
    QCOMPARE(form.weightsChart->title().text(), QString("Weights"));
    QVERIFY(form.rateChart->legend());
    QVERIFY(form.supplyDemandChart->legend());
    QVERIFY(!form.weightsChart->legend());
    QCOMPARE(form.weightSeries->widthFraction(), 0.9);
    // The weights axis stays where it is whatever the bars.
    const double big[] = {5.0, -7.0};
    form.ShowWeights(big, 2);
    form.weightsChart->replot();
    QCOMPARE(form.weightsChart->axisScaleDiv(QwtPlot::yLeft).lowerBound(), -3.2);
    QCOMPARE(form.weightsChart->axisScaleDiv(QwtPlot::yLeft).upperBound(), 3.2);
  }

  void displayOperationsChangeTheirSeries() {
    FakePrompts prompts;
    MainWindow form(&prompts);
    form.AddActualPoint(210, 7.5);
    form.AddActualPoint(209, 7.4);
    QCOMPARE(form.actualSeries->points(), pts({{209, 7.4}, {210, 7.5}}));
    form.ClearActualSeries();
    QVERIFY(form.actualSeries->points().isEmpty());
    form.AddSimulationPoint(209, 7.1);
    QCOMPARE(form.simulationSeries->points(), pts({{209, 7.1}}));
    form.ClearSimulationSeries();
    QVERIFY(form.simulationSeries->points().isEmpty());

    const double means[] = {0.5, -1.25, 2.0};
    form.ShowWeights(means, 3);
    form.ShowWeights(means, 2);  // replaces, never adds up
    form.pacer().flush();        // the charts take the latest values when shown
    QCOMPARE(form.weightSeries->points(), pts({{1, 0.5}, {2, -1.25}}));

    // Each level is a step from k to k + 1 at its quantity, lowest level
    // first; the falling demand keeps that order.
    const double supply[] = {0, 1, 4};
    const double demand[] = {2, 2, 0};
    form.ShowSupplyDemand(1, supply, demand);
    form.pacer().flush();
    QCOMPARE(form.supplySeries->points(), pts({{0, -1}, {0, 0}, {1, 0}, {1, 1}, {4, 1}, {4, 2}}));
    QCOMPARE(form.demandSeries->points(), pts({{2, -1}, {2, 0}, {2, 0}, {2, 1}, {0, 1}, {0, 2}}));

    QVERIFY(form.GraphEnabled());
    form.graphCheck->setChecked(false);
    QVERIFY(!form.GraphEnabled());

    form.AppendLog("Simulation start!");
    form.AppendLog("Simulation end.");
    form.pacer().flush();
    QCOMPARE(form.logView->toPlainText(), QString("Simulation start!\nSimulation end."));
  }

  void progressRowsShowTheLatestPercentage() {
    FakePrompts prompts;
    MainWindow form(&prompts);
    form.SetPathProgress(0);  // the first change after a quiet time: at once
    QCOMPARE(form.pathPercentField->text(), QString("0"));
    QCOMPARE(form.pathBar->value(), 0);
    form.SetWeekProgress(12);
    form.SetWeekProgress(37);
    form.pacer().flush();
    QCOMPARE(form.weekPercentField->text(), QString("37"));
    QCOMPARE(form.weekBar->value(), 37);
    form.SetPathProgress(100);
    form.pacer().flush();
    QCOMPARE(form.pathPercentField->text(), QString("100"));
    QCOMPARE(form.pathBar->value(), 100);
  }

  void aSlowPaintingPutsTheNextOneFurtherOff() {
    qint64 now = 0;
    vk::RepaintPacer pacer(30, [&now] { return now; });
    int paintings = 0;
    const int target = pacer.add([&] {
      ++paintings;
      now += 10;  // a painting of 10 ms
    });
    pacer.changed(target);
    QCOMPARE(paintings, 1);
    now += 30;
    pacer.changed(target);
    QCOMPARE(paintings, 1);  // 7 times 10 ms must pass, not the interval
    now += 39;
    pacer.catchUp();
    QCOMPARE(paintings, 1);
    now += 1;
    pacer.catchUp();
    QCOMPARE(paintings, 2);
  }

  void pacerPaintsAtMostOncePerInterval() {
    qint64 now = 1000;
    vk::RepaintPacer pacer(30, [&now] { return now; });
    int a = 0, b = 0;
    const int ta = pacer.add([&a] { ++a; });
    const int tb = pacer.add([&b] { ++b; });
    pacer.changed(ta);  // the first change after a quiet time: at once
    QCOMPARE(a, 1);
    now += 10;
    pacer.changed(ta);
    pacer.changed(tb);
    QCOMPARE(a, 1);
    QVERIFY(pacer.isPending(ta) && pacer.isPending(tb));
    now += 19;
    pacer.catchUp();
    QCOMPARE(a, 1);
    now += 1;  // 30 ms after the last painting
    pacer.catchUp();
    QCOMPARE(a, 2);
    QCOMPARE(b, 1);
    pacer.changed(tb);
    pacer.flush();  // the end of a path: at once, whatever the time
    QCOMPARE(b, 2);
    pacer.flush();  // nothing pending: nothing painted
    QCOMPARE(a, 2);
    QCOMPARE(b, 2);
  }

  // A target withdrawn is not shown, and a painting with nothing left
  // to show is not made.
  void aWithdrawnChangeIsNotShown() {
    qint64 now = 1000;
    vk::RepaintPacer pacer(30, [&now] { return now; });
    int a = 0, b = 0, paintings = 0;
    const int ta = pacer.add([&a] { ++a; });
    const int tb = pacer.add([&b] { ++b; });
    pacer.setPresenter([&paintings] { ++paintings; });
    pacer.changed(ta);
    now += 10;
    pacer.changed(ta);
    pacer.changed(tb);
    pacer.withdraw(tb);
    pacer.flush();
    QCOMPARE(a, 2);
    QCOMPARE(b, 0);
    QCOMPARE(paintings, 2);
    pacer.changed(tb);
    pacer.withdraw(tb);
    pacer.flush();
    QCOMPARE(b, 0);
    QCOMPARE(paintings, 2);
  }

  void aChangeLeftPendingIsShownOnceTheIntervalHasPassed() {
    vk::RepaintPacer pacer(20);
    QStringList steps;
    const int target = pacer.add([&steps] { steps << "show"; });
    pacer.setPresenter([&steps] { steps << "paint"; });
    pacer.changed(target);  // the targets first, then one painting of them all
    QCOMPARE(steps, QStringList({"show", "paint"}));
    pacer.changed(target);  // too soon, and nothing comes after it
    QCOMPARE(steps.size(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(steps.size(), 4, 2000);
  }

  // The log lines and the status a run changes are painted with the
  // pacer's paintings, not each on its own; the screen is left showing the
  // run's last state, and after the run a change is painted as before.
  void aRunPaintsTheWindowAtThePacersPaceAndLeavesItsLastState() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    MainWindow form(&prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTRY_VERIFY(screenShowsTheRunsParts(form));
    PaintCounter status(form.runStatus), log(form.logView->viewport()), button(form.startButton),
        errors(form.errorsWindow->table->viewport());
    const int before = form.pacer().paintCount();
    runToEnd(form);
    QTest::qWait(50);  // what the toolkit would paint after the run's last picture
    const int paintings = form.pacer().paintCount() - before;
    QVERIFY(paintings >= 1);
    QVERIFY2(
        status.count <= paintings && log.count <= paintings && button.count <= paintings && errors.count <= paintings,
        qPrintable(QString("%1 paintings; status %2, log %3, button %4, errors %5")
                       .arg(paintings)
                       .arg(status.count)
                       .arg(log.count)
                       .arg(button.count)
                       .arg(errors.count)));
    QVERIFY(screenShowsTheRunsParts(form));
    form.runStatus->setText("After the run");
    QTRY_VERIFY(screenShowsTheRunsParts(form));
  }

  // Each path draws the same actual rate again; the chart is painted for
  // it once, and again only when its lines change.
  void theUnchangedRateChartIsNotPaintedAgain() {
    FakePrompts prompts;
    MainWindow form(&prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const auto drawActual = [&form] {
      form.ClearActualSeries();
      for (int week = 208; week <= 261; ++week) form.AddActualPoint(week, 7 + week / 1000.0);
      form.RedrawRateChart();
      form.ClearSimulationSeries();
    };
    drawActual();
    form.pacer().flush();
    PaintCounter rate(form.rateChart->canvas());
    drawActual();
    form.pacer().flush();
    QCOMPARE(rate.count, 0);
    form.AddSimulationPoint(209, 7.3);
    form.pacer().flush();
    QCOMPARE(rate.count, 1);
    drawActual();  // clears the simulated line
    form.pacer().flush();
    QCOMPARE(rate.count, 2);
  }

  // A run without Graph that draws the same actual rate as the run before
  // leaves the rate chart's plotting area as it is; after a replay has
  // drawn into the chart, the run shows its own picture again.
  void aRunWithoutGraphRedrawsTheRateChartOnlyAfterAReplay() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    prompts.overwriteAnswer = true;
    MainWindow form(&prompts);
    form.graphCheck->setChecked(false);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    runToEnd(form);
    {
      PaintCounter rate(form.rateChart->canvas());
      runToEnd(form);
      QTest::qWait(50);
      QCOMPARE(rate.count, 0);
    }
    form.playOrPauseReplay();
    for (int week = 0; week < 3; ++week) form.replayStep();
    form.stopReplay();
    QVERIFY(!form.simulationSeries->points().isEmpty());
    {
      PaintCounter rate(form.rateChart->canvas());
      runToEnd(form);
      QTest::qWait(50);
      QVERIFY(rate.count >= 1);
    }
    QVERIFY(form.simulationSeries->points().isEmpty());
    QVERIFY(screenShowsTheRunsParts(form));
  }

  // A run without Graph after one with it leaves no simulated line on the
  // screen.
  void aRunWithoutGraphLeavesNoLineOfTheRunBefore() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    prompts.overwriteAnswer = true;
    MainWindow form(&prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    runToEnd(form);
    form.graphCheck->setChecked(false);
    runToEnd(form);
    QVERIFY(form.simulationSeries->points().isEmpty());
    QVERIFY(screenShowsTheRunsParts(form));
  }

  void theSpeedBarSaysWhichWayIsFaster() {
    FakePrompts prompts;
    MainWindow form(&prompts);
    QVERIFY(form.speedBar->toolTip().contains("faster to the right"));
    QCOMPARE(form.slowLabel->text(), QString("-"));
    QCOMPARE(form.fastLabel->text(), QString("+"));
    // The words stand apart from "Speed", at the bar's two ends.
    const auto textRight = [](const QLabel* l) { return l->x() + l->fontMetrics().horizontalAdvance(l->text()); };
    QVERIFY(textRight(form.slowLabel) < form.speedLabel->x());
    QVERIFY(form.fastLabel->x() > textRight(form.speedLabel));
    QVERIFY(form.fastLabel->geometry().right() <= form.speedBar->geometry().right());
  }

  void speedSetsTheTimerPeriod() {
    FakePrompts prompts;
    MainWindow form(&prompts);
    form.speedBar->setValue(100);
    QCOMPARE(form.replayTimer->interval(), 1);
    form.speedBar->setValue(0);
    QCOMPARE(form.replayTimer->interval(), 101);
  }

  void runFilesAreFoundInAnyLetterCase() {
    ScratchDir dir;
    QVERIFY(!vk::holdsRunFiles("missing"));
    QDir().mkdir("a");
    dir.write("a/w0000.csv", "");
    dir.write("a/rx.txt", "");
    dir.write("a/rcsv", "");
    dir.write("a/r0001.csv.old", "");
    QVERIFY(!vk::holdsRunFiles("a"));
    dir.write("a/R0003.CSV", "");
    QVERIFY(vk::holdsRunFiles("a"));
    QDir().mkpath("b/r1.csv");  // a folder of that name counts too
    QVERIFY(vk::holdsRunFiles("b"));
  }

  void startAsksBeforeOverwritingAndRunsOnlyOnYes() {
    ScratchDir dir;
    writeShortDemo(dir);
    dir.write("result/r0000.csv", "old");
    FakePrompts prompts;
    prompts.overwriteAnswer = false;
    MainWindow form(&prompts);
    runToEnd(form);
    QCOMPARE(prompts.overwriteQuestions, 1);
    QCOMPARE(dir.read("result/r0000.csv"), QString("old"));
    QVERIFY(!dir.exists("result/eval.txt"));
    QVERIFY(form.logView->toPlainText().isEmpty());

    prompts.overwriteAnswer = true;
    runToEnd(form);
    QCOMPARE(prompts.overwriteQuestions, 2);
    QVERIFY(dir.exists("result/eval.txt"));
    QVERIFY(dir.read("result/r0000.csv") != "old");
    QVERIFY(prompts.errors.isEmpty());
  }

  void aShorterRunOffersToMoveTheEarlierRunsFilesAside() {
    ScratchDir dir;
    writeShortDemo(dir);  // two paths
    for (const char* name : {"r0000.csv", "r0001.csv", "r0002.csv", "r0003.csv", "w0003.csv", "stat.txt"})
      dir.write(QString("result/") + name, "old");
    FakePrompts prompts;
    MainWindow form(&prompts);

    prompts.earlierAnswer = vk::EarlierRunAnswer::No;
    runToEnd(form);
    QCOMPARE(prompts.overwriteQuestions, 1);
    QVERIFY2(prompts.earlierText.startsWith("4 files of an earlier run (r0002.csv ... w0003.csv)"),
             qPrintable(prompts.earlierText));
    QCOMPARE(prompts.earlierFolder, QString("earlier-run-1"));
    QVERIFY(!dir.exists("result/eval.txt"));
    QCOMPARE(dir.read("result/r0003.csv"), QString("old"));

    // Yes moves the whole earlier run, also the files this run rewrites, so
    // that it stays a complete run.
    prompts.earlierAnswer = vk::EarlierRunAnswer::MoveAside;
    dir.write("result/eval.txt", "old");
    runToEnd(form);
    QVERIFY(prompts.errors.isEmpty());
    for (const char* name : {"r0000.csv", "r0001.csv", "r0002.csv", "r0003.csv", "w0003.csv", "stat.txt", "eval.txt"})
      QCOMPARE(dir.read(QString("result/earlier-run-1/") + name), QString("old"));
    for (const char* name : {"r0002.csv", "r0003.csv", "w0003.csv", "stat.txt"})
      QVERIFY2(!dir.exists(QString("result/") + name), name);
    QVERIFY(dir.read("result/r0001.csv") != "old");
    QVERIFY(dir.read("result/eval.txt") != "old");
    QVERIFY2(form.logView->toPlainText().startsWith("Moved the earlier run (7 files) into result/earlier-run-1."),
             qPrintable(form.logView->toPlainText()));

    // Only the new run's files are left: the plain question again.
    prompts.overwriteAnswer = false;
    prompts.earlierText.clear();
    runToEnd(form);
    QCOMPARE(prompts.overwriteQuestions, 3);
    QVERIFY(prompts.earlierText.isEmpty());

    // Keep runs beside them and leaves them where they are.
    dir.write("result/r0009.csv", "old");
    prompts.earlierAnswer = vk::EarlierRunAnswer::Keep;
    runToEnd(form);
    QCOMPARE(prompts.overwriteQuestions, 4);
    QCOMPARE(dir.read("result/r0009.csv"), QString("old"));
    QVERIFY(!dir.exists("result/earlier-run-2"));
  }

  void aFailedStartClearsTheProgressAndLogsTheError() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    prompts.overwriteAnswer = true;
    MainWindow form(&prompts);
    runToEnd(form);
    QCOMPARE(form.pathPercentField->text(), QString("100"));
    form.runFiles.priceFileName = "nowhere.txt";
    runToEnd(form);
    for (QLineEdit* field : {form.weekPercentField, form.pathPercentField}) QVERIFY(field->text().isEmpty());
    for (QProgressBar* bar : {form.weekBar, form.pathBar}) QCOMPARE(bar->value(), 0);
    const QStringList log = form.logView->toPlainText().split('\n');
    // The first run's two lines, its note, its errors and its facts, then
    // the failed one's.
    QCOMPARE(log.size(), 7);
    QCOMPARE(log[5], QString("Simulation start!"));
    QVERIFY2(log[6].startsWith("Simulation stopped: ") && log[6].contains("nowhere.txt"), qPrintable(log[6]));
    QCOMPARE(prompts.errors.size(), 1);
  }

  void aRunWithGraphFillsEveryChartAndBothRows() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    SpyForm form(&prompts);
    runToEnd(form);
    QCOMPARE(prompts.overwriteQuestions, 0);  // nothing to overwrite
    QVERIFY(prompts.errors.isEmpty());
    QVERIFY2(isShortRunLog(form.logView->toPlainText()), qPrintable(form.logView->toPlainText()));
    QCOMPARE(form.weekPercentField->text(), QString("100"));
    QCOMPARE(form.pathPercentField->text(), QString("100"));
    QCOMPARE(form.pathBar->value(), 100);
    // The demo's last path: actual weeks 208..261, simulated 209..261, 28
    // weights, levels -20..20.
    QCOMPARE(form.actualSeries->points().size(), 261 - 208 + 1);
    QCOMPARE(form.actualSeries->points().first().x(), 208.0);
    QCOMPARE(form.simulationSeries->points().size(), 261 - 209 + 1);
    QCOMPARE(form.weightSeries->points().size(), 28);
    QCOMPARE(form.supplySeries->points().size(), 2 * 41);
    QCOMPARE(form.supplySeries->points().first().y(), -20.0);
    QCOMPARE(form.supplySeries->points().last().y(), 21.0);
    QVERIFY(!form.pathControlsEnabledDuringRun);
    QVERIFY(form.pathField->isEnabled());
    QVERIFY(form.pathStepper->isEnabled());
  }

  // The program takes its user's locale; where the decimal point is a comma,
  // a run still reads para.txt and the inputs and writes the C locale's bytes.
  void aRunUnderACommaLocaleWritesTheSameBytes() {
    const QMap<QString, QByteArray> inC = resultsOfAWindowRun();
    QVERIFY(inC.contains("eval.txt"));
    for (const char* name : vk::testing::kCommaLocales) {
      vk::testing::CommaLocale comma(name);
      if (!comma.active()) QSKIP(qPrintable(QString(name) + " is not installed; make setup generates it as root"));
      const QMap<QString, QByteArray> underLocale = resultsOfAWindowRun();
      QCOMPARE(underLocale.keys(), inC.keys());
      for (const QString& file : inC.keys()) QVERIFY2(underLocale[file] == inC[file], qPrintable(name + (" " + file)));
    }
  }

  // The seed typed in the parameter dialog: the bytes of a run seeded so on
  // the caller's thread, other than the fixed seed's, and named in the log.
  void aSeededRunWritesTheBytesOfItsSeed() {
    QString log;
    const QMap<QString, QByteArray> seeded = resultsOfAWindowRun("12", &log);
    QVERIFY2(log.contains("Run into 'result' with seed 12 took "), qPrintable(log));
    QVERIFY(seeded.contains("r0000.csv"));
    QVERIFY(seeded["r0000.csv"] != resultsOfAWindowRun()["r0000.csv"]);
    ScratchDir dir;
    writeShortDemo(dir);
    vk::NullDisplay quiet;
    vk::RunSimulation("result", "price.txt", "data.txt", quiet, vk::generatorSeedOf(12));
    const QMap<QString, QByteArray> direct = filesIn(dir.file("result"));
    QCOMPARE(direct.keys(), seeded.keys());
    for (const QString& file : direct.keys()) QVERIFY2(direct[file] == seeded[file], qPrintable(file));
  }

  // Without Graph the run draws neither the supply and demand nor the
  // weights; what a replay left there is cleared, not shown as the run's.
  void aRunWithoutGraphClearsTheChartsItDoesNotDraw() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    MainWindow form(&prompts);
    const double means[] = {1.0};
    form.ShowWeights(means, 1);
    form.graphCheck->setChecked(false);
    runToEnd(form);
    QVERIFY(prompts.errors.isEmpty());
    QCOMPARE(form.actualSeries->points().size(), 261 - 208 + 1);
    QVERIFY(form.simulationSeries->points().isEmpty());
    QVERIFY(form.weightSeries->points().isEmpty());
    QVERIFY(form.supplySeries->points().isEmpty());
    QCOMPARE(form.weekPercentField->text(), QString("100"));
    QCOMPARE(form.pathPercentField->text(), QString("100"));
    QVERIFY2(isShortRunLog(form.logView->toPlainText()), qPrintable(form.logView->toPlainText()));
  }

  void aFailedRunIsReportedAndFreesThePathControls() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    MainWindow form(&prompts);
    form.runFiles.priceFileName = "nowhere.txt";
    runToEnd(form);
    QCOMPARE(prompts.errors.size(), 1);
    QVERIFY2(prompts.errors[0].contains("nowhere.txt"), qPrintable(prompts.errors[0]));
    QVERIFY(!form.logView->toPlainText().contains("Simulation end."));
    QVERIFY(form.pathField->isEnabled());
    QVERIFY(form.pathStepper->isEnabled());

    form.runFiles.priceFileName = "price.txt";
    form.runFiles.resultDir = "no-such-dir";
    runToEnd(form);  // refused before the run, as a notice
    QCOMPARE(prompts.errors.size(), 1);
    QCOMPARE(prompts.notices.size(), 1);
    QVERIFY2(prompts.notices[0].contains("no-such-dir"), qPrintable(prompts.notices[0]));
  }

  // A stored para.txt with a probability outside 0..1 runs, and its log
  // warns first.
  void aProbabilityOutsideZeroToOneIsWarnedOfInTheLog() {
    ScratchDir dir;
    writeShortDemo(dir);
    QString para = dir.read("para.txt");
    QVERIFY(para.contains("\n0.00500 pmutation1"));
    dir.write("para.txt", para.replace("\n0.00500 pmutation1", "\n1.20000 pmutation1"));
    FakePrompts prompts;
    MainWindow form(&prompts);
    runToEnd(form);
    QVERIFY(prompts.errors.isEmpty());
    const QString log = form.logView->toPlainText();
    QVERIFY2(log.startsWith("Warning: para.txt, line 11: pmutation1 = 1.20000 is a probability outside 0..1; the run "
                            "goes on, and what it sets happens every time, as with 1\nSimulation start!\n"),
             qPrintable(log));
    QVERIFY(log.contains("Simulation end."));
  }

  void aStartIntoADirectoryAnotherRunWritesIsRefused() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    MainWindow form(&prompts);
    vk::testing::LockingProcess other(dir.file("result").toStdString(), vk::ResultLock::Use::Run);
    QVERIFY(other.locked());
    runToEnd(form);
    QCOMPARE(prompts.errors.size(), 1);
    QVERIFY2(prompts.errors[0].contains("The result directory 'result' is in use: a run is writing it (process " +
                                        QString::number(other.pid())),
             qPrintable(prompts.errors[0]));
    QVERIFY(!dir.exists("result/eval.txt"));
    QVERIFY(form.pathField->isEnabled());
  }

  // The run executes on a thread of its own; the window is given exactly the
  // operations, in the same order and with the same values, that the run
  // makes when it runs on the caller's thread.
  void aWindowRunShowsWhatARunOnTheCallersThreadShows() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    prompts.overwriteAnswer = true;
    RecordingForm form(&prompts);
    runToEnd(form);
    QVERIFY(prompts.errors.isEmpty());
    // The window's own notes after the run are no display operations.
    const QStringList inWindow =
        form.calls.filter(QRegularExpression("^(?!log Run into|log Median|log Facts furthest)"));
    QVERIFY(!inWindow.filter("simulation ").isEmpty() && !inWindow.filter("levels ").isEmpty());
    form.calls.clear();
    RecordingDisplay direct(form);
    vk::RunSimulation("result", "price.txt", "data.txt", direct);
    QCOMPARE(inWindow.size(), form.calls.size());
    QVERIFY(inWindow == form.calls);
  }

  // Stop's note is not replaced by the status of a path still to be
  // painted when it was pressed.
  void stopsNoteIsPaintedOverAPathsPendingStatus() {
    ScratchDir dir;
    writeShortDemo(dir);
    dir.write("para.txt", dir.read("para.txt").replace("\n2 simtimes", "\n200 simtimes"));
    FakePrompts prompts;
    StoppingForm form(&prompts);
    form.pressAtSecondPath = true;
    runToEnd(form);
    QVERIFY(form.stopShown);
    QCOMPARE(form.statusPainted, QString("Stopping after this week"));
  }

  void theStatusNamesThePathOfTheRunAndHowManyThereAre() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    RecordingForm form(&prompts);
    runToEnd(form);
    QCOMPARE(form.statusAtPathEnds.size(), 3);  // before the first path and after each
    QVERIFY2(form.statusAtPathEnds[0].startsWith("Path 1 of 2, "), qPrintable(form.statusAtPathEnds[0]));
    QVERIFY2(form.statusAtPathEnds[1].startsWith("Path 1 of 2, "), qPrintable(form.statusAtPathEnds[1]));
    QVERIFY2(form.statusAtPathEnds[2].startsWith("Path 2 of 2, "), qPrintable(form.statusAtPathEnds[2]));
    QVERIFY(form.runStatus->text().isEmpty());
  }

  void stopEndsTheRunAtAWeekAndLeavesTheCutPathMarked() {
    ScratchDir dir;
    writeShortDemo(dir);
    dir.write("para.txt", dir.read("para.txt").replace("\n2 simtimes", "\n200 simtimes"));
    FakePrompts prompts;
    StoppingForm form(&prompts);
    runToEnd(form);
    QVERIFY(form.stopShown);
    QVERIFY(prompts.errors.isEmpty());
    const std::optional<vk::UnfinishedRun> mark = vk::readUnfinishedRun("result");
    QVERIFY(mark);
    QVERIFY2(mark->cutPath >= 0 && mark->cutPath < 200, qPrintable(QString::number(mark->cutPath)));
    const QStringList log = form.logView->toPlainText().split('\n');
    QCOMPARE(log.first(), QString("Simulation start!"));
    QCOMPARE(log[log.size() - 3], QString("Simulation stopped by Stop: path %1 was cut and is marked so in run.lock; "
                                          "summaries refuse it.")
                                      .arg(mark->cutPath));
    // A summary of the directory is told of the cut path.
    const vk::ResultLock summary(dir.file("result").toStdString(), vk::ResultLock::Use::Summary);
    QVERIFY(summary.unfinished());
    QCOMPARE(summary.unfinished()->cutPath, mark->cutPath);
    QCOMPARE(form.startButton->text(), QString("Start"));
    QVERIFY(form.startButton->isEnabled());
    QVERIFY(form.pathField->isEnabled());
  }

  void theEndOfARunIsToldWithItsDirectory() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    MainWindow form(&prompts);
    QStringList told;
    form.whenRunEnds([&](const QString& d) { told << d + (form.runInProgress() ? " running" : ""); });
    runToEnd(form);
    form.runFiles.priceFileName = "nowhere.txt";  // a failed run ends too
    runToEnd(form);
    QCOMPARE(told, (QStringList{"result", "result"}));
  }

  // Another folder, such as an experiment's run, is viewed: the bar under
  // the log names it, the viewer and the Analyzer buttons read it, and the
  // layout above stays. Start writes into the window's own result directory,
  // never into the viewed folder, and comes back to it.
  void anotherFolderIsViewedAndStartStillWritesItsOwn() {
    ScratchDir dir;
    writeShortDemo(dir);
    QVERIFY(QDir(dir.path()).mkpath("exp/runs/0003/result"));
    FakePrompts prompts;
    MainWindow form(&prompts);
    form.runFiles.resultDir = "exp/runs/0003/result";
    runToEnd(form);
    form.runFiles.resultDir = "result";
    const QString viewed = dir.file("exp/runs/0003/result");
    const QMap<QString, QByteArray> experiment = filesIn(viewed);
    QVERIFY(experiment.contains("r0001.csv"));
    QStringList followed, analysed;
    form.whenViewChanges([&](const QString& d) { followed << d; });
    form.setAnalyzerAction(form.pathsPlotButton, [&](const QString& d) { analysed << d; });
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    form.viewFolder(viewed, "run 0003 of the experiment in " + dir.file("exp"));
    QCOMPARE(form.viewedDir(), viewed);
    QVERIFY(form.viewingBar->isVisible());
    QCOMPARE(form.minimumSize(), QSize(767, 565 + 26));
    QTRY_COMPARE(form.size(), QSize(767, 565 + 26));
    QCOMPARE(form.logView->geometry(), QRect(8, 464, 753, 97));
    QCOMPARE(form.chartPanel->geometry(), QRect(152, 24, 609, 385));
    QVERIFY(form.viewingBar->y() >= form.logView->geometry().bottom());
    QVERIFY(form.rect().contains(form.viewingBar->geometry()));
    QVERIFY2(form.viewingLabel->text().startsWith("Viewing run 0003 of the experiment in"),
             qPrintable(form.viewingLabel->text()));
    QVERIFY(form.viewingLabel->toolTip().contains(viewed));
    QVERIFY(form.logView->toPlainText().contains("Viewing run 0003 of the experiment in " + dir.file("exp") + ": " +
                                                 viewed +
                                                 ". The viewer and the Analyzer buttons read it; Start "
                                                 "still writes into 'result'."));
    QVERIFY(form.viewer().shows("0", QFile::encodeName(viewed).toStdString()));
    QVERIFY(form.viewer().frameCount() > 0);
    QCOMPARE(form.rateChart->legendCaption(), "Directory:\n" + viewed);
    form.pathsPlotButton->click();
    QCOMPARE(analysed, QStringList{viewed});
    QCOMPARE(followed, QStringList{viewed});

    runToEnd(form);
    QVERIFY2(prompts.errors.isEmpty(), qPrintable(prompts.errors.join("\n")));
    QCOMPARE(form.viewedDir(), QString("result"));
    QVERIFY(!form.viewingBar->isVisible());
    QCOMPARE(form.minimumSize(), QSize(767, 565));
    QTRY_COMPARE(form.size(), QSize(767, 565));
    QVERIFY(QFileInfo::exists(dir.file("result/r0001.csv")));
    QCOMPARE(filesIn(viewed), experiment);
    QCOMPARE(followed, (QStringList{viewed, "result"}));
    form.pathsPlotButton->click();
    QCOMPARE(analysed, (QStringList{viewed, "result"}));

    // Back comes to the own results; a run under way is not left for another folder.
    form.viewFolder(viewed, "run 0003");
    form.backButton->click();
    QCOMPARE(form.viewedDir(), QString("result"));
    QTRY_COMPARE(form.size(), QSize(767, 565));
    QVERIFY(form.viewer().shows("0", "result"));
    form.startRun();
    form.viewFolder(viewed, "run 0003");
    QCOMPARE(form.viewedDir(), QString("result"));
    QCOMPARE(prompts.notices.size(), 1);
    form.waitForRunEnd();
  }

  void startDuringARunSaysSoAndStartsNoSecondRun() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    MainWindow form(&prompts);
    form.startRun();
    QVERIFY(form.runInProgress());
    form.startRun();
    QCOMPARE(prompts.notices.size(), 1);
    QVERIFY2(prompts.notices[0].contains("Stop"), qPrintable(prompts.notices[0]));
    form.waitForRunEnd();
    QVERIFY2(isShortRunLog(form.logView->toPlainText()), qPrintable(form.logView->toPlainText()));
    QCOMPARE(prompts.overwriteQuestions, 0);
  }

  void closingTheWindowDuringARunStopsItFirst() {
    ScratchDir dir;
    writeShortDemo(dir);
    dir.write("para.txt", dir.read("para.txt").replace("\n2 simtimes", "\n200 simtimes"));
    FakePrompts prompts;
    {
      MainWindow form(&prompts);
      form.show();
      form.startRun();
      form.close();
      QVERIFY(!form.runInProgress());
    }
    QVERIFY(vk::readUnfinishedRun("result"));
  }

  void aRunLeavesItsLastPictureOnScreen() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    MainWindow form(&prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    runToEnd(form);
    // What the screen shows right after the run: the simulated line (blue)
    // and the weights bars (red fill).
    const QImage shown = form.screen()->grabWindow(form.winId()).toImage();
    const QRect rate = form.rateChart->canvas()->geometry().translated(form.rateChart->mapTo(&form, QPoint(0, 0)));
    QVERIFY(countPixels(shown.copy(rate), qRgb(0, 0, 255)) > 50);
    const QRect weights =
        form.weightsChart->canvas()->geometry().translated(form.weightsChart->mapTo(&form, QPoint(0, 0)));
    QVERIFY(countPixels(shown.copy(weights), qRgb(255, 0, 0)) > 50);
  }

  void everyButtonCanBeReachedByAKeyAndSaysWhatItDoes() {
    FakePrompts prompts;
    MainWindow form(&prompts);
    form.setAnalyzerAction(form.pathsPlotButton, [](const QString&) {});
    QSet<QString> keys;
    for (QAbstractButton* b :
         {static_cast<QAbstractButton*>(form.settingButton), static_cast<QAbstractButton*>(form.startButton),
          static_cast<QAbstractButton*>(form.graphCheck), static_cast<QAbstractButton*>(form.playButton),
          static_cast<QAbstractButton*>(form.stopReplayButton), static_cast<QAbstractButton*>(form.pathsPlotButton),
          static_cast<QAbstractButton*>(form.exitButton)}) {
      QVERIFY2(!b->shortcut().isEmpty(), qPrintable(b->objectName()));
      QVERIFY2(b->toolTip().contains(b->shortcut().toString()), qPrintable(b->objectName()));
      keys << b->shortcut().toString();
    }
    QCOMPARE(keys.size(), 7);
    // The image-only buttons and the Save buttons say what they do.
    for (QPushButton* b : form.findChildren<QPushButton*>())
      QVERIFY2(!b->toolTip().isEmpty(), qPrintable(b->objectName()));
    // Captions stay as laid out.
    QCOMPARE(form.startButton->text(), QString("Start"));
  }

  void everyChartNamesItsAxes() {
    FakePrompts prompts;
    MainWindow form(&prompts);
    const QList<QPair<vk::Chart*, QStringList>> expected = {{form.rateChart, {"Week", "Rate (log)"}},
                                                            {form.supplyDemandChart, {"Quantity", "Price level"}},
                                                            {form.weightsChart, {"Weight index", "Weight"}}};
    for (const auto& [chart, titles] : expected) {
      QCOMPARE(chart->axisTitle(QwtPlot::xBottom).text(), titles[0]);
      QCOMPARE(chart->axisTitle(QwtPlot::yLeft).text(), titles[1]);
    }
  }

  void settingShowsTheDialogOnceOverTheSharedNames() {
    ScratchDir dir;
    dir.copyDemo();
    FakePrompts prompts;
    MainWindow form(&prompts);
    auto* dialog = new vk::ParametersDialog(&form, form.runFiles, &prompts);
    form.setParametersDialog(dialog);
    form.runFiles.resultDir = "run7";
    form.openSettings();
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->directoryField->text(), QString("run7"));
    QCOMPARE(dialog->agentsField->text(), QString("100"));
    // A second press while it is open reads nothing.
    dir.write("para.txt", "0.1\n1\n1\n1\n1\n77\n");
    form.openSettings();
    QCOMPARE(dialog->agentsField->text(), QString("100"));
    QVERIFY(prompts.errors.isEmpty());
  }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"

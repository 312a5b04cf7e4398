// The main window: its layout, the display operations a run calls, the
// Start action with its overwrite question, and the paced repainting.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include <qwt_plot_barchart.h>
#include <qwt_plot_curve.h>
#include <qwt_scale_div.h>

#include "FakePrompts.h"
#include "Pixels.h"
#include "chart/Chart.h"
#include "tests/io/CommaLocale.h"
#include "tests/io/LockingProcess.h"
#include "ui/MainWindow.h"
#include "ui/RepaintPacer.h"
#include "ui/StepButtons.h"
#include "ui/ParametersDialog.h"

using vk::TForm1;
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

// Records, at the run's first log line, whether the path controls were
// usable: the state the user sees while the run lasts.
class SpyForm : public TForm1 {
 public:
  using TForm1::TForm1;
  bool pathControlsEnabledDuringRun = true;
  void AppendLog(const std::string& text) override {
    if (text == "Simulation start!") pathControlsEnabledDuringRun = NumPath->isEnabled() || UpDown1->isEnabled();
    TForm1::AppendLog(text);
  }
};

// Clicks Start while the run is under way, as an impatient user would: the
// click waits in the queue until the run returns.
class ImpatientForm : public TForm1 {
 public:
  using TForm1::TForm1;
  void AppendLog(const std::string& text) override {
    if (text == "Simulation start!" && !clicked_) {
      clicked_ = true;
      const QPoint centre = StartBtn->rect().center();
      for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
        QCoreApplication::postEvent(StartBtn, new QMouseEvent(type, centre, StartBtn->mapToGlobal(centre),
                                                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    }
    TForm1::AppendLog(text);
  }

 private:
  bool clicked_ = false;
};

// The result files of a short demo run started from the window, by name.
QMap<QString, QByteArray> resultsOfAWindowRun() {
  ScratchDir dir;
  writeShortDemo(dir);
  FakePrompts prompts;
  TForm1 form(&prompts);
  form.StartBtnClick();
  QMap<QString, QByteArray> files;
  if (!prompts.errors.isEmpty()) return files;
  for (const QFileInfo& entry : QDir(dir.file("result")).entryInfoList(QDir::Files)) {
    QFile f(entry.filePath());
    f.open(QIODevice::ReadOnly);
    files[entry.fileName()] = f.readAll();
  }
  return files;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void layoutHasEveryControlInItsPlace() {
    FakePrompts prompts;
    TForm1 form(&prompts);
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
    QCOMPARE(form.SaveBtn2->parentWidget(), static_cast<QWidget*>(form.Chart2));
    QCOMPARE(form.SaveBtn3->parentWidget(), static_cast<QWidget*>(form.Chart3));
    QCOMPARE(form.GraphCheck->pos(), QPoint(40, 80));
    QCOMPARE(form.Label6->pos(), QPoint(8, 18));
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
    QCOMPARE(form.StaticText1->alignment(), Qt::AlignCenter);
    QVERIFY(!form.StartBtn->icon().isNull());
    QVERIFY(!form.ExitBtn->icon().isNull());
    QVERIFY(!form.ViewStartBtn->icon().isNull());
    QVERIFY(!form.ViewStopBtn->icon().isNull());
  }

  void controlsStartWithTheirSettings() {
    FakePrompts prompts;
    TForm1 form(&prompts);
    QVERIFY(form.GraphCheck->isChecked());
    QCOMPARE(form.UpDown1->minimum(), 0);
    QCOMPARE(form.UpDown1->maximum(), 100);
    QCOMPARE(form.UpDown1->position(), 0);
    QCOMPARE(form.ScrollBar1->minimum(), 0);
    QCOMPARE(form.ScrollBar1->maximum(), 100);
    QCOMPARE(form.ScrollBar1->value(), 50);
    QVERIFY(!form.Timer1->isActive());
    QCOMPARE(form.Timer1->interval(), 51);
    for (QProgressBar* bar : {form.ProgressBar1, form.ProgressBar2}) {
      QCOMPARE(bar->minimum(), 0);
      QCOMPARE(bar->maximum(), 100);
      QCOMPARE(bar->value(), 0);
    }
    QVERIFY(form.Edit1->text().isEmpty());
    QVERIFY(form.Edit2->text().isEmpty());
    QVERIFY(form.Memo1->toPlainText().isEmpty());
    QCOMPARE(form.runFiles.resultDir, QString("result"));
    QCOMPARE(form.runFiles.priceFileName, QString("price.txt"));
    QCOMPARE(form.runFiles.dataFileName, QString("data.txt"));
    QCOMPARE(form.viewer().state(), vk::ViewerState::Stopped);
    QString opened;
    form.setAnalyzerAction(form.WPlotBtn, [&opened](const QString& dir) { opened = dir; });
    QVERIFY(form.WPlotBtn->isEnabled());
    form.runFiles.resultDir = "run7";
    form.WPlotBtn->click();
    QCOMPARE(opened, QString("run7"));
  }

  void chartsHaveTheirSeriesAndSettings() {
    FakePrompts prompts;
    TForm1 form(&prompts);
    struct Line {
      vk::LineSeries* series;
      const char* title;
      QColor colour;
      QwtPlotCurve::CurveStyle style;
    };
    const Line lines[] = {
        {form.Series1, "Actual", Qt::red, QwtPlotCurve::Lines},
        {form.Series2, "Simulation", Qt::blue, QwtPlotCurve::Lines},
        {form.Series3, "Supply", QColor(255, 128, 0), QwtPlotCurve::Steps},
        {form.Series4, "Demand", QColor(0, 128, 128), QwtPlotCurve::Steps},
    };
    for (const Line& l : lines) {
      QCOMPARE(l.series->title(), QString(l.title));
      QCOMPARE(l.series->curve()->pen().color(), l.colour);
      QCOMPARE(l.series->curve()->pen().width(), 2);
      QCOMPARE(l.series->curve()->style(), l.style);
      QVERIFY(!l.series->curve()->symbol());
    }
    QCOMPARE(form.Chart1->chartTitle(), QString("Rate"));
    QVERIFY(form.Chart1->title().text().isEmpty());  // named, not shown
    QCOMPARE(form.Chart2->title().text(), QString("Supply & Demand"));
    QCOMPARE(form.Chart3->title().text(), QString("Weights"));
    QVERIFY(form.Chart1->legend());
    QVERIFY(form.Chart2->legend());
    QVERIFY(!form.Chart3->legend());
    QCOMPARE(form.Series5->widthFraction(), 0.9);
    // The weights axis stays where it is whatever the bars.
    const double big[] = {5.0, -7.0};
    form.ShowWeights(big, 2);
    form.Chart3->replot();
    QCOMPARE(form.Chart3->axisScaleDiv(QwtPlot::yLeft).lowerBound(), -3.2);
    QCOMPARE(form.Chart3->axisScaleDiv(QwtPlot::yLeft).upperBound(), 3.2);
  }

  void displayOperationsChangeTheirSeries() {
    FakePrompts prompts;
    TForm1 form(&prompts);
    form.AddActualPoint(210, 7.5);
    form.AddActualPoint(209, 7.4);
    QCOMPARE(form.Series1->points(), pts({{209, 7.4}, {210, 7.5}}));
    form.ClearActualSeries();
    QVERIFY(form.Series1->points().isEmpty());
    form.AddSimulationPoint(209, 7.1);
    QCOMPARE(form.Series2->points(), pts({{209, 7.1}}));
    form.ClearSimulationSeries();
    QVERIFY(form.Series2->points().isEmpty());

    const double means[] = {0.5, -1.25, 2.0};
    form.ShowWeights(means, 3);
    form.ShowWeights(means, 2);  // replaces, never adds up
    QCOMPARE(form.Series5->points(), pts({{1, 0.5}, {2, -1.25}}));

    // Each level is a step from k to k + 1 at its quantity, lowest level
    // first; the falling demand keeps that order.
    const double supply[] = {0, 1, 4};
    const double demand[] = {2, 2, 0};
    form.ShowSupplyDemand(1, supply, demand);
    QCOMPARE(form.Series3->points(), pts({{0, -1}, {0, 0}, {1, 0}, {1, 1}, {4, 1}, {4, 2}}));
    QCOMPARE(form.Series4->points(), pts({{2, -1}, {2, 0}, {2, 0}, {2, 1}, {0, 1}, {0, 2}}));

    QVERIFY(form.GraphEnabled());
    form.GraphCheck->setChecked(false);
    QVERIFY(!form.GraphEnabled());

    form.AppendLog("Simulation start!");
    form.AppendLog("Simulation end.");
    QCOMPARE(form.Memo1->toPlainText(), QString("Simulation start!\nSimulation end."));
  }

  void progressRowsShowTheLatestPercentage() {
    FakePrompts prompts;
    TForm1 form(&prompts);
    form.SetPathProgress(0);  // the end of a path shows everything
    QCOMPARE(form.Edit2->text(), QString("0"));
    QCOMPARE(form.ProgressBar2->value(), 0);
    form.SetWeekProgress(12);
    form.SetWeekProgress(37);
    form.pacer().flush();
    QCOMPARE(form.Edit1->text(), QString("37"));
    QCOMPARE(form.ProgressBar1->value(), 37);
    form.SetPathProgress(100);
    QCOMPARE(form.Edit2->text(), QString("100"));
    QCOMPARE(form.ProgressBar2->value(), 100);
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

  void speedSetsTheTimerPeriod() {
    FakePrompts prompts;
    TForm1 form(&prompts);
    form.ScrollBar1->setValue(100);
    QCOMPARE(form.Timer1->interval(), 1);
    form.ScrollBar1->setValue(0);
    QCOMPARE(form.Timer1->interval(), 101);
  }

  void runFilesAreFoundInAnyLetterCase() {
    ScratchDir dir;
    QVERIFY(!vk::holdsRunFiles("missing"));
    QDir().mkdir("a");
    dir.write("a/w0000.csv", "");
    dir.write("a/rx.txt", "");
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
    TForm1 form(&prompts);
    form.StartBtnClick();
    QCOMPARE(prompts.overwriteQuestions, 1);
    QCOMPARE(dir.read("result/r0000.csv"), QString("old"));
    QVERIFY(!dir.exists("result/eval.txt"));
    QVERIFY(form.Memo1->toPlainText().isEmpty());

    prompts.overwriteAnswer = true;
    form.StartBtnClick();
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
    TForm1 form(&prompts);

    prompts.earlierAnswer = vk::EarlierRunAnswer::No;
    form.StartBtnClick();
    QCOMPARE(prompts.overwriteQuestions, 1);
    QVERIFY2(prompts.earlierText.startsWith("4 files of an earlier run (r0002.csv ... w0003.csv)"),
             qPrintable(prompts.earlierText));
    QCOMPARE(prompts.earlierFolder, QString("earlier-run-1"));
    QVERIFY(!dir.exists("result/eval.txt"));
    QCOMPARE(dir.read("result/r0003.csv"), QString("old"));

    prompts.earlierAnswer = vk::EarlierRunAnswer::MoveAside;
    form.StartBtnClick();
    QVERIFY(prompts.errors.isEmpty());
    for (const char* name : {"r0002.csv", "r0003.csv", "w0003.csv", "stat.txt"}) {
      QVERIFY2(!dir.exists(QString("result/") + name), name);
      QCOMPARE(dir.read(QString("result/earlier-run-1/") + name), QString("old"));
    }
    QVERIFY(dir.read("result/r0001.csv") != "old");
    QVERIFY(form.Memo1->toPlainText().startsWith("Moved 4 files of an earlier run into result/earlier-run-1."));

    // Only the new run's files are left: the plain question again.
    prompts.overwriteAnswer = false;
    prompts.earlierText.clear();
    form.StartBtnClick();
    QCOMPARE(prompts.overwriteQuestions, 3);
    QVERIFY(prompts.earlierText.isEmpty());

    // Keep runs beside them and leaves them where they are.
    dir.write("result/r0009.csv", "old");
    prompts.earlierAnswer = vk::EarlierRunAnswer::Keep;
    form.StartBtnClick();
    QCOMPARE(prompts.overwriteQuestions, 4);
    QCOMPARE(dir.read("result/r0009.csv"), QString("old"));
    QVERIFY(!dir.exists("result/earlier-run-2"));
  }

  void aFailedStartClearsTheProgressAndLogsTheError() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    prompts.overwriteAnswer = true;
    TForm1 form(&prompts);
    form.StartBtnClick();
    QCOMPARE(form.Edit2->text(), QString("100"));
    form.runFiles.priceFileName = "nowhere.txt";
    form.StartBtnClick();
    for (QLineEdit* field : {form.Edit1, form.Edit2}) QVERIFY(field->text().isEmpty());
    for (QProgressBar* bar : {form.ProgressBar1, form.ProgressBar2}) QCOMPARE(bar->value(), 0);
    const QStringList log = form.Memo1->toPlainText().split('\n');
    QCOMPARE(log.size(), 4);
    QCOMPARE(log[2], QString("Simulation start!"));
    QVERIFY2(log[3].startsWith("Simulation stopped: ") && log[3].contains("nowhere.txt"), qPrintable(log[3]));
    QCOMPARE(prompts.errors.size(), 1);
  }

  void aRunWithGraphFillsEveryChartAndBothRows() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    SpyForm form(&prompts);
    form.StartBtnClick();
    QCOMPARE(prompts.overwriteQuestions, 0);  // nothing to overwrite
    QVERIFY(prompts.errors.isEmpty());
    QCOMPARE(form.Memo1->toPlainText(), QString("Simulation start!\nSimulation end."));
    QCOMPARE(form.Edit1->text(), QString("100"));
    QCOMPARE(form.Edit2->text(), QString("100"));
    QCOMPARE(form.ProgressBar2->value(), 100);
    // The demo's last path: actual weeks 208..261, simulated 209..261, 28
    // weights, levels -20..20.
    QCOMPARE(form.Series1->points().size(), 261 - 208 + 1);
    QCOMPARE(form.Series1->points().first().x(), 208.0);
    QCOMPARE(form.Series2->points().size(), 261 - 209 + 1);
    QCOMPARE(form.Series5->points().size(), 28);
    QCOMPARE(form.Series3->points().size(), 2 * 41);
    QCOMPARE(form.Series3->points().first().y(), -20.0);
    QCOMPARE(form.Series3->points().last().y(), 21.0);
    QVERIFY(!form.pathControlsEnabledDuringRun);
    QVERIFY(form.NumPath->isEnabled());
    QVERIFY(form.UpDown1->isEnabled());
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

  void aRunWithoutGraphLeavesTheLiveChartsAlone() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    TForm1 form(&prompts);
    const double means[] = {1.0};
    form.ShowWeights(means, 1);
    form.GraphCheck->setChecked(false);
    form.StartBtnClick();
    QVERIFY(prompts.errors.isEmpty());
    QCOMPARE(form.Series1->points().size(), 261 - 208 + 1);
    QVERIFY(form.Series2->points().isEmpty());
    QCOMPARE(form.Series5->points(), pts({{1, 1.0}}));
    QVERIFY(form.Series3->points().isEmpty());
    QCOMPARE(form.Edit1->text(), QString("100"));
    QCOMPARE(form.Edit2->text(), QString("100"));
    QCOMPARE(form.Memo1->toPlainText(), QString("Simulation start!\nSimulation end."));
  }

  void aFailedRunIsReportedAndFreesThePathControls() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    TForm1 form(&prompts);
    form.runFiles.priceFileName = "nowhere.txt";
    form.StartBtnClick();
    QCOMPARE(prompts.errors.size(), 1);
    QVERIFY2(prompts.errors[0].contains("nowhere.txt"), qPrintable(prompts.errors[0]));
    QVERIFY(!form.Memo1->toPlainText().contains("Simulation end."));
    QVERIFY(form.NumPath->isEnabled());
    QVERIFY(form.UpDown1->isEnabled());

    form.runFiles.priceFileName = "price.txt";
    form.runFiles.resultDir = "no-such-dir";
    form.StartBtnClick();
    QCOMPARE(prompts.errors.size(), 2);
    QVERIFY2(prompts.errors[1].contains("no-such-dir"), qPrintable(prompts.errors[1]));
  }

  void aStartIntoADirectoryAnotherRunWritesIsRefused() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    TForm1 form(&prompts);
    vk::testing::LockingProcess other(dir.file("result").toStdString(), vk::ResultLock::Use::Run);
    QVERIFY(other.locked());
    form.StartBtnClick();
    QCOMPARE(prompts.errors.size(), 1);
    QVERIFY2(prompts.errors[0].contains("The result directory 'result' is in use: a run is writing it (process " +
                                        QString::number(other.pid())),
             qPrintable(prompts.errors[0]));
    QVERIFY(!dir.exists("result/eval.txt"));
    QVERIFY(form.NumPath->isEnabled());
  }

  void clicksDuringARunAreDropped() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    ImpatientForm form(&prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.StartBtnClick();
    QCoreApplication::processEvents();
    QCOMPARE(prompts.overwriteQuestions, 0);
    QCOMPARE(form.Memo1->toPlainText(), QString("Simulation start!\nSimulation end."));
    // Clicks after the run still act.
    QTest::mouseClick(form.StartBtn, Qt::LeftButton);
    QCOMPARE(prompts.overwriteQuestions, 1);
  }

  void aRunIsOnScreenWithoutTheEventLoop() {
    ScratchDir dir;
    writeShortDemo(dir);
    FakePrompts prompts;
    TForm1 form(&prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.StartBtnClick();
    // What the screen shows right after the run, before any event is
    // handled: the simulated line (blue) and the weights bars (red fill).
    const QImage shown = form.screen()->grabWindow(form.winId()).toImage();
    const QRect rate = form.Chart1->canvas()->geometry().translated(form.Chart1->mapTo(&form, QPoint(0, 0)));
    QVERIFY(countPixels(shown.copy(rate), qRgb(0, 0, 255)) > 50);
    const QRect weights = form.Chart3->canvas()->geometry().translated(form.Chart3->mapTo(&form, QPoint(0, 0)));
    QVERIFY(countPixels(shown.copy(weights), qRgb(255, 0, 0)) > 50);
  }

  void everyButtonCanBeReachedByAKeyAndSaysWhatItDoes() {
    FakePrompts prompts;
    TForm1 form(&prompts);
    form.setAnalyzerAction(form.PathPlotBtn, [](const QString&) {});
    QSet<QString> keys;
    for (QAbstractButton* b :
         {static_cast<QAbstractButton*>(form.SettingBtn), static_cast<QAbstractButton*>(form.StartBtn),
          static_cast<QAbstractButton*>(form.GraphCheck), static_cast<QAbstractButton*>(form.ViewStartBtn),
          static_cast<QAbstractButton*>(form.ViewStopBtn), static_cast<QAbstractButton*>(form.PathPlotBtn),
          static_cast<QAbstractButton*>(form.ExitBtn)}) {
      QVERIFY2(!b->shortcut().isEmpty(), qPrintable(b->objectName()));
      QVERIFY2(b->toolTip().contains(b->shortcut().toString()), qPrintable(b->objectName()));
      keys << b->shortcut().toString();
    }
    QCOMPARE(keys.size(), 7);
    // The image-only buttons and the Save buttons say what they do.
    for (QPushButton* b : form.findChildren<QPushButton*>())
      QVERIFY2(!b->toolTip().isEmpty(), qPrintable(b->objectName()));
    // Captions stay as laid out.
    QCOMPARE(form.StartBtn->text(), QString("Start"));
  }

  void everyChartNamesItsAxes() {
    FakePrompts prompts;
    TForm1 form(&prompts);
    const QList<QPair<vk::Chart*, QStringList>> expected = {{form.Chart1, {"Week", "Rate (log)"}},
                                                            {form.Chart2, {"Quantity", "Price level"}},
                                                            {form.Chart3, {"Weight index", "Weight"}}};
    for (const auto& [chart, titles] : expected) {
      QCOMPARE(chart->axisTitle(QwtPlot::xBottom).text(), titles[0]);
      QCOMPARE(chart->axisTitle(QwtPlot::yLeft).text(), titles[1]);
    }
  }

  void settingShowsTheDialogOnceOverTheSharedNames() {
    ScratchDir dir;
    dir.copyDemo();
    FakePrompts prompts;
    TForm1 form(&prompts);
    auto* dialog = new vk::TParametersDlg(&form, form.runFiles, &prompts);
    form.setParametersDialog(dialog);
    form.runFiles.resultDir = "run7";
    form.SettingBtnClick();
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->DirEdit->text(), QString("run7"));
    QCOMPARE(dialog->NumAgentEdit->text(), QString("100"));
    // A second press while it is open reads nothing.
    dir.write("para.txt", "0.1\n1\n1\n1\n1\n77\n");
    form.SettingBtnClick();
    QCOMPARE(dialog->NumAgentEdit->text(), QString("100"));
    QVERIFY(prompts.errors.isEmpty());
  }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"

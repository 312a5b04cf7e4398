// The path viewer, driven frame by frame without its timer; and through the
// main window for the path number, the timer and the button images.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <qwt_scale_div.h>

#include "FakePrompts.h"
#include "chart/Chart.h"
#include "io/RunError.h"
#include "ui/MainWindow.h"
#include "ui/PathViewer.h"
#include "ui/StepButtons.h"

using vk::ButtonImage;
using vk::PathViewer;
using vk::ViewerState;
using vk::testing::FakePrompts;
using vk::testing::ScratchDir;

namespace {

class FakeControls : public vk::ViewerControls {
 public:
  bool pathControlsEnabled = true;
  bool timerRunning = false;
  QList<ButtonImage> images;
  bool imageFails = false;

  void setPathControlsEnabled(bool enabled) override { pathControlsEnabled = enabled; }
  void setTimerRunning(bool running) override { timerRunning = running; }
  QList<int> weeksShown;  // -1 for none
  void showReplayWeek(int week, int, int) override { weeksShown << week; }
  void showButtonImage(ButtonImage image) override {
    if (imageFails) throw vk::RunError("Cannot read image file 'Start.bmp': File not found");
    images << image;
  }
};

struct Charts {
  vk::Chart rate, supplyDemand, weights;
  vk::LineSeries* actual = rate.addFastLine("Actual", Qt::red, 2);
  vk::LineSeries* simulation = rate.addFastLine("Simulation", Qt::blue, 2);
  vk::LineSeries* supply = supplyDemand.addStairs("Supply", Qt::red, 2, vk::XOrder::AsAdded);
  vk::LineSeries* demand = supplyDemand.addStairs("Demand", Qt::blue, 2, vk::XOrder::AsAdded);
  vk::BarSeries* bars = weights.addBars("Weights", Qt::red);
  vk::ViewerCharts view() { return {&rate, actual, simulation, &supplyDemand, supply, demand, &weights, bars}; }
};

QString q(const QString& field) { return "\"" + field + "\""; }

// A rate file as a run writes it: weeks first..last, equal rates up to
// `common`, then the simulated rate drifting away.
QString rateFile(int first, int common, int last) {
  QString text;
  for (int w = first; w <= last; ++w) {
    const double actual = 4 + w / 100.0;
    const double simulated = w <= common ? actual : actual + 0.5;
    text += q(QString::number(w)) + "," + q(QString::number(simulated, 'f', 5)) + "," +
            q(QString::number(actual, 'f', 5)) + ",\"0\",\"0\",\"0\"\n";
  }
  return text;
}

// One weights line per week from `first`: weight k of week w is w + k / 10.
QString weightsFile(int first, int last, int weights) {
  QString text;
  for (int w = first; w <= last; ++w) {
    text += q(QString::number(w));
    for (int k = 1; k <= weights; ++k) text += "," + q(QString::number(w + k / 10.0, 'f', 4)) + ",\"0.1000\"";
    text += "\n";
  }
  return text;
}

// Schedules for weeks first..last with 2*ndiv+1 levels: supply w + level, demand -level.
QString scheduleFile(int first, int last, int ndiv) {
  QString text;
  for (int w = first; w <= last; ++w) {
    text += QString::number(w) + "\n";
    for (int k = -ndiv; k <= ndiv; ++k)
      text += q(QString::number(w + k + ndiv)) + "," + q(QString::number(ndiv - k)) + "\n";
  }
  return text;
}

// The layout of a run: minyear 10, last training week 61, maxyear 109.
void writePath(const ScratchDir& dir, const QString& tag) {
  dir.write("result/r" + tag + ".csv", rateFile(10, 61, 109));
  dir.write("result/w" + tag + ".csv", weightsFile(10, 109, 3));
  dir.write("result/q" + tag + ".csv", scheduleFile(62, 109, 1));
}

}  // namespace

class PathViewerTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void aPathChangeDrawsTheWholeTrack() {
    ScratchDir dir;
    // Lines 1..52 with equal rates, 53..100 differing: weeks 52..100.
    dir.write("result/r0000.csv", rateFile(1, 52, 100));
    Charts charts;
    FakeControls controls;
    PathViewer viewer(charts.view(), controls);
    viewer.changePath("0", "result");
    QCOMPARE(viewer.frameCount(), 49);
    // The whole path at once: both lines, one point per frame.
    QCOMPARE(charts.actual->points().size(), 49);
    QCOMPARE(charts.simulation->points().size(), 49);
    QCOMPARE(charts.actual->points().first(), QPointF(52, 4.52));
    QCOMPARE(charts.simulation->points().last(), QPointF(100, 5.5));
  }

  void playShowsOneWeekPerTickAndStopsAfterTheLast() {
    ScratchDir dir;
    writePath(dir, "0000");
    Charts charts;
    FakeControls controls;
    PathViewer viewer(charts.view(), controls);
    viewer.changePath("0", "result");
    viewer.playOrPause();
    QCOMPARE(viewer.state(), ViewerState::Playing);
    QVERIFY(controls.timerRunning);
    QVERIFY(!controls.pathControlsEnabled);
    QCOMPARE(controls.images, QList<ButtonImage>{ButtonImage::Pause});
    QCOMPARE(charts.actual->points().size(), 49);
    QVERIFY(charts.simulation->points().isEmpty());

    // Frame 0, the last common week: no schedule yet, all quantities 0,
    // drawn with the file's three levels; the weights of week 61.
    viewer.tick();
    QCOMPARE(charts.simulation->points().size(), 1);
    QCOMPARE(charts.simulation->points()[0], QPointF(61, 4.61));
    QCOMPARE(charts.supply->points().size(), 6);
    for (const QPointF& p : charts.supply->points()) QCOMPARE(p.x(), 0.0);
    QCOMPARE(charts.bars->points().size(), 3);
    QCOMPARE(charts.bars->points()[0].y(), 61.1);

    // Frame 1, week 62: block 1, levels -1..1 as steps up to level 2.
    viewer.tick();
    QCOMPARE(charts.supply->points().first(), QPointF(62, -1));
    QCOMPARE(charts.supply->points().last(), QPointF(64, 2));
    QCOMPARE(charts.demand->points().first(), QPointF(2, -1));
    QCOMPARE(charts.bars->points()[2].y(), 62.3);

    for (int i = 2; i < 49; ++i) viewer.tick();
    QCOMPARE(viewer.state(), ViewerState::Stopped);
    QVERIFY(!controls.timerRunning);
    QVERIFY(controls.pathControlsEnabled);
    QCOMPARE(controls.images.last(), ButtonImage::Play);
    QCOMPARE(charts.simulation->points().size(), 49);
    QCOMPARE(charts.simulation->points().last().x(), 109.0);
    QCOMPARE(charts.supply->points().first(), QPointF(109, -1));
    // A tick that comes late reads nothing past the last record.
    viewer.tick();
    QCOMPARE(charts.simulation->points().size(), 49);
    // Each frame said its week, the last one staying shown.
    QCOMPARE(controls.weeksShown.size(), 49);
    QCOMPARE(controls.weeksShown.first(), 61);
    QCOMPARE(controls.weeksShown[1], 62);
    QCOMPARE(controls.weeksShown.last(), 109);
  }

  void pauseContinuesAndStopRestarts() {
    ScratchDir dir;
    writePath(dir, "0000");
    Charts charts;
    FakeControls controls;
    PathViewer viewer(charts.view(), controls);
    viewer.changePath("0", "result");
    viewer.playOrPause();
    viewer.tick();
    viewer.tick();
    viewer.playOrPause();
    QCOMPARE(viewer.state(), ViewerState::Paused);
    QVERIFY(!controls.timerRunning);
    QVERIFY(!controls.pathControlsEnabled);
    viewer.playOrPause();
    QCOMPARE(viewer.state(), ViewerState::Playing);
    viewer.tick();
    QCOMPARE(viewer.frameIndex(), 3);
    QCOMPARE(charts.simulation->points().last().x(), 63.0);

    viewer.stop();
    QCOMPARE(viewer.state(), ViewerState::Stopped);
    QVERIFY(!controls.timerRunning);
    QVERIFY(controls.pathControlsEnabled);
    QCOMPARE(charts.simulation->points().size(), 3);  // the charts keep what they show
    viewer.playOrPause();
    QCOMPARE(viewer.frameIndex(), 0);
    QVERIFY(charts.simulation->points().isEmpty());
    QCOMPARE(controls.weeksShown.last(), -1);  // Stop said no week
    viewer.tick();
    QCOMPARE(charts.simulation->points().last().x(), 61.0);
    QCOMPARE(controls.images, (QList<ButtonImage>{ButtonImage::Pause, ButtonImage::Play, ButtonImage::Pause,
                                                  ButtonImage::Play, ButtonImage::Pause}));
  }

  void anEmptyTrackDrawsNothingAndStopsAtOnce() {
    ScratchDir dir;
    dir.write("result/r0000.csv", rateFile(1, 100, 100));  // the rates never differ
    Charts charts;
    FakeControls controls;
    PathViewer viewer(charts.view(), controls);
    viewer.playOrPause();  // nothing loaded yet
    QCOMPARE(viewer.state(), ViewerState::Stopped);
    QVERIFY(!controls.timerRunning);
    QVERIFY(controls.pathControlsEnabled);
    viewer.changePath("0", "result");
    QCOMPARE(viewer.frameCount(), 0);
    QVERIFY(charts.actual->points().isEmpty());
    viewer.playOrPause();
    viewer.tick();
    QCOMPARE(viewer.state(), ViewerState::Stopped);
    QVERIFY(charts.simulation->points().isEmpty());
  }

  void missingFilesShowNothingOfAnotherPath() {
    ScratchDir dir;
    writePath(dir, "0000");
    dir.write("result/r0001.csv", rateFile(10, 99, 109));
    Charts charts;
    FakeControls controls;
    PathViewer viewer(charts.view(), controls);
    viewer.changePath("0", "result");
    QVERIFY(charts.rate.note().isEmpty());
    viewer.changePath("1", "result");  // no w0001 or q0001: empty, not path 0's
    QCOMPARE(viewer.frameCount(), 11);
    QCOMPARE(viewer.weightCount(), 0);
    QVERIFY(charts.bars->points().isEmpty());
    QVERIFY(charts.supply->points().isEmpty());
    QCOMPARE(charts.rate.note(), QString("No files result/w0001.csv, result/q0001.csv"));

    viewer.changePath("7", "result");  // nothing at all
    QCOMPARE(viewer.frameCount(), 0);
    QVERIFY(charts.actual->points().isEmpty());
    QVERIFY(charts.simulation->points().isEmpty());
    QVERIFY(charts.rate.note().startsWith("No files result/r0007.csv, "));
    viewer.playOrPause();
    QCOMPARE(viewer.state(), ViewerState::Stopped);

    QVERIFY(viewer.shows("7", "result"));
    QVERIFY(!viewer.shows("0", "result"));
    viewer.changePath("0", "result");
    QVERIFY(charts.rate.note().isEmpty());
    QVERIFY(viewer.shows("0000", "result"));
    QVERIFY(!viewer.shows("0", "other"));
  }

  void playLoadsThePathTheFieldShows() {
    ScratchDir dir;
    writePath(dir, "0000");
    FakePrompts prompts;
    vk::MainWindow form(&prompts);
    // A fresh start: the field says 0 and nothing is loaded yet.
    QCOMPARE(form.pathField->text(), QString("0"));
    QCOMPARE(form.viewer().frameCount(), 0);
    form.playOrPauseReplay();
    QCOMPARE(form.viewer().frameCount(), 49);
    QCOMPARE(form.viewer().state(), ViewerState::Playing);
    // The rate axis is that of the whole path from the first frame on.
    const double top = form.rateChart->axisScaleDiv(QwtPlot::yLeft).upperBound();
    QVERIFY(top >= 4 + 109 / 100.0 + 0.5);
    for (int i = 0; i < 10; ++i) form.replayStep();
    form.rateChart->repaintNow();
    QCOMPARE(form.rateChart->axisScaleDiv(QwtPlot::yLeft).upperBound(), top);
    form.stopReplay();

    // Files rewritten since they were loaded are loaded anew by Play.
    dir.write("result/r0000.csv", rateFile(10, 100, 109));
    form.viewer().forget();
    form.playOrPauseReplay();
    QCOMPARE(form.viewer().frameCount(), 10);
    form.stopReplay();
  }

  void aShorterFileLeavesNoRowsOfTheOldPath() {
    ScratchDir dir;
    writePath(dir, "0000");
    writePath(dir, "0001");
    dir.write("result/q0001.csv", scheduleFile(62, 63, 1));  // two blocks only
    Charts charts;
    FakeControls controls;
    PathViewer viewer(charts.view(), controls);
    viewer.changePath("0", "result");
    viewer.changePath("1", "result");
    viewer.playOrPause();
    for (int i = 0; i < 4; ++i) viewer.tick();
    // Frame 3 (week 64) has no block in the new file: zeros, not path 0's week 64.
    for (const QPointF& p : charts.supply->points()) QCOMPARE(p.x(), 0.0);
  }

  void badInputIsReportedAndTheLoadedPathStays() {
    ScratchDir dir;
    writePath(dir, "0000");
    Charts charts;
    FakeControls controls;
    PathViewer viewer(charts.view(), controls);
    viewer.changePath("0", "result");
    try {
      viewer.changePath("", "result");
      QFAIL("an empty path number was taken");
    } catch (const vk::RunError& e) {
      QCOMPARE(QString(e.what()), QString("'' is not a valid integer value"));
    }
    QCOMPARE(viewer.frameCount(), 49);

    // A malformed line ends the load there; what was read is drawn no more
    // than what the viewer holds.
    QString rates = rateFile(10, 61, 70);
    rates += "\"71\",\"x4.5\",\"4.5\"\n";
    dir.write("result/r0002.csv", rates);
    QVERIFY_EXCEPTION_THROWN(viewer.changePath("2", "result"), vk::RunError);
    QCOMPARE(viewer.frameCount(), 70 - 61 + 1);
  }

  void wideAndLongFilesAreShownWhole() {
    ScratchDir dir;
    dir.write("result/r0000.csv", rateFile(1, 600, 700));
    dir.write("result/w0000.csv", weightsFile(1, 700, 25));
    dir.write("result/q0000.csv", scheduleFile(601, 700, 60));
    Charts charts;
    FakeControls controls;
    PathViewer viewer(charts.view(), controls);
    viewer.changePath("0", "result");
    QCOMPARE(viewer.weightCount(), 25);
    QCOMPARE(viewer.pairCount(), 121);
    viewer.playOrPause();
    for (int i = 0; i < 101; ++i) viewer.tick();
    QCOMPARE(viewer.state(), ViewerState::Stopped);
    QCOMPARE(charts.bars->points().size(), 25);
    QCOMPARE(charts.bars->points()[24].y(), 702.5);
    QCOMPARE(charts.supply->points().size(), 2 * 121);
  }

  void aFailedImageStillEndsTheReplay() {
    ScratchDir dir;
    writePath(dir, "0000");
    Charts charts;
    FakeControls controls;
    PathViewer viewer(charts.view(), controls);
    viewer.changePath("0", "result");
    controls.imageFails = true;
    QVERIFY_EXCEPTION_THROWN(viewer.playOrPause(), vk::RunError);
    QCOMPARE(viewer.state(), ViewerState::Playing);
    QVERIFY(controls.timerRunning);
    for (int i = 0; i < 48; ++i) viewer.tick();
    QVERIFY_EXCEPTION_THROWN(viewer.tick(), vk::RunError);  // the last frame
    QCOMPARE(viewer.state(), ViewerState::Stopped);
    QVERIFY(!controls.timerRunning);
    QVERIFY(controls.pathControlsEnabled);
  }

  void theWindowDrivesTheViewer() {
    ScratchDir dir;
    writePath(dir, "0002");
    FakePrompts prompts;
    vk::MainWindow form(&prompts);
    form.pathField->setText("2");  // a typed path number loads the path
    QCOMPARE(form.viewer().frameCount(), 49);
    QCOMPARE(form.simulationSeries->points().size(), 49);
    form.pathField->setText("");
    QCOMPARE(prompts.errors, QStringList{"'' is not a valid integer value"});
    QCOMPARE(form.viewer().frameCount(), 49);
    form.pathField->setText("2");

    // No images in this working directory: reported, and the replay runs.
    form.playButton->click();
    QCOMPARE(prompts.errors.size(), 2);
    QVERIFY2(prompts.errors[1].contains("Pause.bmp"), qPrintable(prompts.errors[1]));
    QVERIFY(form.replayTimer->isActive());
    QCOMPARE(form.replayTimer->interval(), 51);
    QVERIFY(!form.pathField->isEnabled());
    QVERIFY(!form.pathStepper->isEnabled());
    form.replayStep();
    QCOMPARE(form.viewer().frameIndex(), 1);
    QCOMPARE(form.runStatus->text(), QString("Replay: week 61 of 61-109"));
    form.replayStep();
    QCOMPARE(form.runStatus->text(), QString("Replay: week 62 of 61-109"));

    // With the images the play button changes its picture.
    QFile::copy(QString(VELQUIN_DEMO_DIR) + "/Start.bmp", "Start.bmp");
    QFile::copy(QString(VELQUIN_DEMO_DIR) + "/Pause.bmp", "Pause.bmp");
    const qint64 before = form.playButton->icon().cacheKey();
    form.playButton->click();  // pause
    QCOMPARE(prompts.errors.size(), 2);
    QVERIFY(form.playButton->icon().cacheKey() != before);
    QVERIFY(!form.replayTimer->isActive());
    form.stopReplayButton->click();
    QVERIFY(form.pathField->isEnabled());
    QCOMPARE(form.viewer().state(), ViewerState::Stopped);
    QVERIFY(form.runStatus->text().isEmpty());

    // The up-down steps the number and loads that path.
    writePath(dir, "0003");
    form.pathField->setText("2");
    form.pathStepper->stepUp();
    QCOMPARE(form.pathField->text(), QString("3"));
    QCOMPARE(form.pathStepper->position(), 3);
  }

  void upDownStaysInItsRange() {
    QLineEdit field("99");
    vk::StepButtons upDown(&field, 0, 100, 1, nullptr);
    upDown.stepUp();
    upDown.stepUp();
    QCOMPARE(field.text(), QString("100"));
    field.setText("0");
    upDown.stepDown();
    QCOMPARE(field.text(), QString("0"));
    field.setText("abc");  // not a number: steps on from its own position
    upDown.stepUp();
    QCOMPARE(field.text(), QString("1"));
    vk::StepButtons tens(&field, 0, 1000, 10, nullptr);
    field.setText("995");
    tens.stepUp();
    QCOMPARE(field.text(), QString("1000"));
  }
};

QTEST_MAIN(PathViewerTest)
#include "PathViewerTest.moc"

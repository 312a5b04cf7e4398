// The analysis windows: the result-directory frame they share (listing,
// selection file, All and Clear, showing again, the directory chooser, Plot
// errors) and what each window hands to its chart after a Plot.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <qwt_legend.h>
#include <qwt_plot_curve.h>
#include <qwt_scale_div.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_widget.h>

#include "analysis/ContourSummary.h"
#include "analysis/PathSummary.h"
#include "analysis/WeightsSummary.h"
#include "chart/Chart.h"
#include "chart/ChartExport.h"
#include "io/ResultLock.h"
#include "io/TextFormat.h"
#include "tests/io/LockingProcess.h"
#include "tests/ui/FakePrompts.h"
#include "tests/ui/Pixels.h"
#include "ui/ContourPlotWindow.h"
#include "ui/FactsPlotWindow.h"
#include "ui/PathPlotWindow.h"
#include "ui/StepButtons.h"
#include "ui/WeightsPlotWindow.h"

using namespace vk;

namespace {

// Like a real chooser, this one leaves the working directory elsewhere.
class WanderingPrompts : public testing::FakePrompts {
 public:
  QString chooseFolder(QWidget* parent, const QString& title, const QString& root) override {
    QDir::setCurrent(QDir::rootPath());
    return FakePrompts::chooseFolder(parent, title, root);
  }
};

QString quoted(const QString& s) { return "\"" + s + "\""; }

// Rate lines of weeks first, first + 1, ... with the run's layout.
QByteArray rateFile(int first, const QVector<double>& simulated, const QVector<double>& actual) {
  QByteArray text;
  for (int i = 0; i < simulated.size(); ++i) {
    const QStringList fields = {QString::number(first + i),
                                QString::fromStdString(fixed(simulated[i], 7, 5)),
                                QString::fromStdString(fixed(actual[i], 7, 5)),
                                "0.00000",
                                "0.00000",
                                simulated[i] == actual[i] ? "0" : "0.25000"};
    QStringList items;
    for (const QString& f : fields) items << quoted(f);
    text += items.join(",").toUtf8() + "\n";
  }
  return text;
}

// Weight lines: the week, then per weight its mean and a spread.
QByteArray weightFile(int first, const QVector<QVector<double>>& means) {
  QByteArray text;
  for (int i = 0; i < means.size(); ++i) {
    QStringList items{quoted(QString::number(first + i))};
    for (double m : means[i]) items << quoted(QString::fromStdString(fixed(m, 6, 4))) << quoted("0.1000");
    text += items.join(",").toUtf8() + "\n";
  }
  return text;
}

void writeFile(const QString& path, const QByteArray& text) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(text);
}

QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList listed(const ResultFrame& w) {
  QStringList names;
  for (int i = 0; i < w.pathList->count(); ++i) names << w.pathList->item(i)->text();
  return names;
}

int checkedCount(const ResultFrame& w) {
  int n = 0;
  for (int i = 0; i < w.pathList->count(); ++i) n += w.pathList->item(i)->checkState() == Qt::Checked;
  return n;
}

void check(ResultFrame& w, const QString& name) {
  const auto items = w.pathList->findItems(name, Qt::MatchExactly);
  QCOMPARE(items.size(), 1);
  items.first()->setCheckState(Qt::Checked);
}

QVector<QPointF> pointsOf(const PointList& list) {
  QVector<QPointF> out;
  for (const ChartPoint& p : list) out.append(QPointF(p.x, p.y));
  return out;
}

}  // namespace

class AnalysisWindowsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir tmp;
  QString dir;
  WanderingPrompts prompts;

  // Weeks 1 to 5; simulation and history part after week 2, so weeks 2 to
  // 5 are plotted.
  void writeRateFiles() {
    writeFile(dir + "/r0000.csv", rateFile(1, {4.5, 4.5, 4.6, 4.7, 4.8}, {4.5, 4.5, 4.55, 4.65, 4.75}));
    writeFile(dir + "/r0001.csv", rateFile(1, {4.5, 4.5, 4.3, 4.0, 4.4}, {4.5, 4.5, 4.55, 4.65, 4.75}));
    writeFile(dir + "/r0002.csv", rateFile(1, {4.5, 4.5, 4.7, 4.2, 4.6}, {4.5, 4.5, 4.55, 4.65, 4.75}));
  }

 private Q_SLOTS:
  void init() {
    dir = tmp.path() + "/" + QTest::currentTestFunction();
    QVERIFY(QDir().mkpath(dir));
    prompts.errors.clear();
    prompts.folderAnswer.clear();
  }

  void pathFilesAreListedByTheirNumber() {
    const std::vector<std::string> names = {"r0010.csv", "r0002.csv", "r10000.csv", "r0001.csv", "rX.csv"};
    QCOMPARE(vk::byPathNumber(names, 'r'),
             (std::vector<std::string>{"rX.csv", "r0001.csv", "r0002.csv", "r0010.csv", "r10000.csv"}));
  }

  // A run into the directory of an open window ends: the list shows the
  // files as they are now and keeps the checks; other windows stay as they are.
  void anOpenWindowListsItsDirectoryAnewWhenARunIntoItEnds() {
    writeRateFiles();
    PathPlotWindow paths(nullptr, &prompts);
    paths.resultDir = dir;
    paths.show();
    paths.pathList->item(1)->setCheckState(Qt::Checked);  // r0001.csv
    PathPlotWindow hidden(nullptr, &prompts);
    hidden.resultDir = dir;
    hidden.show();
    hidden.hide();
    writeFile(dir + "/r0003.csv", "");
    paths.runEnded(dir + "/elsewhere");
    QCOMPARE(listed(paths).size(), 3);
    paths.runEnded(dir + "/./");
    QCOMPARE(listed(paths), (QStringList{"r0000.csv", "r0001.csv", "r0002.csv", "r0003.csv"}));
    QCOMPARE(paths.pathList->item(1)->checkState(), Qt::Checked);
    QCOMPARE(checkedCount(paths), 1);
    hidden.runEnded(dir);
    QCOMPARE(hidden.pathList->count(), 3);
  }

  // The main window views another folder: an open window lists and plots
  // it at once, keeping the checks of the names it also holds; a hidden one
  // takes it for its next showing.
  void aWindowFollowsTheFolderTheMainWindowViews() {
    writeRateFiles();
    const QString other = dir + "/other";
    QVERIFY(QDir().mkpath(other));
    for (const char* name : {"r0000.csv", "r0001.csv"}) QVERIFY(QFile::copy(dir + "/" + name, other + "/" + name));
    PathPlotWindow open(nullptr, &prompts), hidden(nullptr, &prompts);
    open.resultDir = dir;
    open.show();
    open.pathList->item(1)->setCheckState(Qt::Checked);
    open.follow(other);
    QCOMPARE(open.directoryField->text(), other);
    QCOMPARE(listed(open), (QStringList{"r0000.csv", "r0001.csv"}));
    QCOMPARE(open.pathList->item(1)->checkState(), Qt::Checked);
    hidden.follow(other);
    QCOMPARE(hidden.resultDir, other);
    hidden.show();
    QCOMPARE(hidden.directoryField->text(), other);
    QCOMPARE(hidden.pathList->count(), 2);
  }

  void theWeightsWindowSaysWhichWeightsItDraws() {
    WeightsPlotWindow weights(nullptr, &prompts);
    weights.show();
    QCOMPARE(weights.drawnNote->text(), QString("Drawn: weights 1 to 17. weight.txt holds every weight of the run."));
    QVERIFY(weights.drawnNote->isVisible());
  }

  void listsThePrefixFilesOnEveryShowing() {
    writeRateFiles();
    writeFile(dir + "/R0003.CSV", "");
    writeFile(dir + "/w0000.csv", "");
    writeFile(dir + "/notes.txt", "");
    QVERIFY(QDir(dir).mkdir("r9.csv"));

    PathPlotWindow paths(nullptr, &prompts);
    paths.resultDir = dir;
    paths.show();
    QStringList names = listed(paths);
    QCOMPARE(names.size(), 5);
    names.sort();
    QCOMPARE(names, (QStringList{"R0003.CSV", "r0000.csv", "r0001.csv", "r0002.csv", "r9.csv"}));
    QCOMPARE(checkedCount(paths), 0);
    QCOMPARE(paths.directoryField->text(), dir);
    QCOMPARE(paths.windowTitle(), QString("Path plot"));

    WeightsPlotWindow weights(nullptr, &prompts);
    weights.resultDir = dir;
    weights.show();
    QCOMPARE(listed(weights), QStringList{"w0000.csv"});

    ContourPlotWindow contour(nullptr, &prompts);
    contour.resultDir = dir + "/missing";
    contour.show();
    QVERIFY(listed(contour).isEmpty());
    QVERIFY(prompts.errors.isEmpty());
  }

  void allClearAndPlotWriteTheSelection() {
    writeRateFiles();
    PathPlotWindow w(nullptr, &prompts);
    w.resultDir = dir;
    w.show();
    w.allButton->click();
    QCOMPARE(checkedCount(w), 3);
    w.clearButton->click();
    QCOMPARE(checkedCount(w), 0);

    w.plotButton->click();
    QCOMPARE(readFile(dir + "/statname.txt"), QByteArray("0\n"));
    QVERIFY(readFile(dir + "/stat.txt").startsWith("# Number of path 0\n# Paths \n"));

    check(w, "r0002.csv");
    check(w, "r0000.csv");
    w.plotButton->click();
    QVERIFY2(prompts.errors.isEmpty(), qPrintable(prompts.errors.join("\n")));
    // Top to bottom as listed, which is the order the directory gives.
    const QByteArray expected =
        listed(w).indexOf("r0000.csv") < listed(w).indexOf("r0002.csv") ? "2\n0000\n0002\n" : "2\n0002\n0000\n";
    QCOMPARE(readFile(dir + "/statname.txt"), expected);
  }

  void closeKeepsTheChartAndShowingAgainLosesTheChecks() {
    writeRateFiles();
    PathPlotWindow w(nullptr, &prompts);
    w.openWith(dir);
    w.allButton->click();
    w.plotButton->click();
    const QVector<QPointF> mean = w.view.meanLine->points();
    QVERIFY(!mean.isEmpty());

    w.findChild<QPushButton*>("BitBtn1")->click();
    QVERIFY(!w.isVisible());
    QCOMPARE(w.view.meanLine->points(), mean);
    writeFile(dir + "/r0004.csv", "");
    w.directoryField->setText("typed, never read");
    w.openWith(dir);
    QCOMPARE(listed(w).size(), 4);
    QCOMPARE(checkedCount(w), 0);
    QCOMPARE(w.directoryField->text(), dir);

    // Opening a window that is already open shows and lists the new
    // directory at once; the names it also holds stay checked.
    const QString other = tmp.path() + "/elsewhere";
    QVERIFY(QDir().mkpath(other));
    writeFile(other + "/r0000.csv", "");
    writeFile(other + "/r0009.csv", "");
    w.allButton->click();
    w.openWith(other);
    QCOMPARE(w.resultDir, other);
    QCOMPARE(w.directoryField->text(), other);
    QCOMPARE(listed(w).size(), 2);
    QCOMPARE(checkedCount(w), 1);
  }

  void plotReadsTheDirectoryTheFieldShows() {
    writeRateFiles();
    PathPlotWindow w(nullptr, &prompts);
    w.openWith(dir + "/chosen-earlier");
    QVERIFY(listed(w).isEmpty());
    // Typed, and Plot pressed without Enter: the typed directory is listed
    // and plotted, with nothing checked yet.
    w.directoryField->setText(dir);
    w.plotButton->click();
    QCOMPARE(w.resultDir, dir);
    QCOMPARE(listed(w).size(), 3);
    QCOMPARE(readFile(dir + "/statname.txt"), QByteArray("0\n"));
    QVERIFY(!QFile::exists(dir + "/chosen-earlier/statname.txt"));

    // Enter in the field lists the typed directory at once.
    const QString other = dir + "/other";
    QVERIFY(QDir().mkpath(other));
    writeFile(other + "/r0000.csv", rateFile(1, {4.5, 4.5, 4.6}, {4.5, 4.5, 4.4}));
    w.directoryField->setText(other);
    QTest::keyClick(w.directoryField, Qt::Key_Return);
    QCOMPARE(listed(w), QStringList{"r0000.csv"});
    w.allButton->click();
    w.plotButton->click();
    QVERIFY2(prompts.errors.isEmpty(), qPrintable(prompts.errors.join("\n")));
    QCOMPARE(readFile(other + "/statname.txt"), QByteArray("1\n0000\n"));
    QCOMPARE(w.view.meanLine->points().size(), 2);
  }

  void windowsOpenBesideTheMainWindowWhereThereIsRoom() {
    const QSize wanted(816, 600);
    // Room on the right.
    QCOMPARE(placeBesideOwner(QRect(100, 100, 783, 605), wanted, QRect(0, 0, 2560, 1400), 500, 0),
             QRect(891, 100, 816, 600));
    // Little room on either side: the wider side, the window narrowed.
    QCOMPARE(placeBesideOwner(QRect(500, 200, 783, 605), wanted, QRect(0, 0, 1920, 1050), 500, 1),
             QRect(1291, 232, 629, 600));
    QCOMPARE(placeBesideOwner(QRect(1100, 200, 783, 605), wanted, QRect(0, 0, 1920, 1050), 500, 0),
             QRect(276, 200, 816, 600));
    // No room beside it: at the screen's edge on the roomier side.
    const QRect over = placeBesideOwner(QRect(10, 0, 783, 605), wanted, QRect(0, 0, 1024, 768), 500, 2);
    QCOMPARE(over, QRect(208, 64, 816, 600));
    QCOMPARE(placeBesideOwner(QRect(230, 0, 783, 605), wanted, QRect(0, 0, 1024, 768), 500, 0).left(), 0);
    const QRect small = placeBesideOwner(QRect(0, 0, 783, 605), wanted, QRect(0, 0, 800, 600), 500, 3);
    QVERIFY(QRect(0, 0, 800, 600).contains(small));
  }

  void directoryChooserGivesARelativeFolderAndKeepsTheWorkingDirectory() {
    const QString keep = QDir::currentPath();
    QVERIFY(QDir(dir).mkpath("result/run2"));
    writeFile(dir + "/result/run2/r0000.csv", "");
    QVERIFY(QDir::setCurrent(dir));
    const QString workDir = QDir::currentPath();

    ContourPlotWindow w(nullptr, &prompts);
    w.openWith("result");
    prompts.folderAnswer = workDir + "/result/run2";
    w.directoryButton->click();
    QCOMPARE(prompts.folderTitle, QString("Seclect directory."));
    QCOMPARE(prompts.folderRoot, workDir);
    QCOMPARE(w.directoryField->text(), QString("result/run2"));
    QCOMPARE(w.resultDir, QString("result/run2"));
    QCOMPARE(listed(w), QStringList{"r0000.csv"});
    QCOMPARE(QDir::currentPath(), workDir);

    prompts.folderAnswer.clear();
    w.directoryButton->click();
    QCOMPARE(w.resultDir, QString("result/run2"));
    QCOMPARE(listed(w), QStringList{"r0000.csv"});
    QCOMPARE(QDir::currentPath(), workDir);
    QDir::setCurrent(keep);
  }

  void pathPlotDrawsMeanBandAndActual() {
    writeRateFiles();
    PathPlotWindow w(nullptr, &prompts);
    w.openWith(dir);
    check(w, "r0001.csv");
    check(w, "r0002.csv");
    w.plotButton->click();
    QVERIFY2(prompts.errors.isEmpty(), qPrintable(prompts.errors.join("\n")));
    QVERIFY(QFile::exists(dir + "/stat.txt"));

    QCOMPARE(w.view.actualLine->points(), (QVector<QPointF>{{2, 4.5}, {3, 4.55}, {4, 4.65}, {5, 4.75}}));

    // Every point of the summary, and nothing else, is on the chart.
    PathSummarySeries summary;
    summarisePaths(dir.toStdString(), summary);
    QCOMPARE(w.view.meanLine->points(), pointsOf(summary.mean));
    QCOMPARE(w.view.plusSdLine->points(), pointsOf(summary.plusSd));
    QCOMPARE(w.view.minusSdLine->points(), pointsOf(summary.minusSd));
    QCOMPARE(w.view.actualLine->points(), pointsOf(summary.actual));
  }

  // A second run on the same axes, in another colour under a legend entry of
  // its own; the chart names both directories; the rate axis can be held.
  void pathPlotComparesAnotherRunOnAFixedScale() {
    writeRateFiles();
    const QString other = dir + "-other";
    QVERIFY(QDir().mkpath(other));
    writeFile(other + "/r0000.csv", rateFile(1, {4.5, 4.5, 4.8, 4.9, 5.0}, {4.5, 4.5, 4.55, 4.65, 4.75}));
    writeFile(other + "/r0001.csv", rateFile(1, {4.5, 4.5, 4.9, 5.1, 5.2}, {4.5, 4.5, 4.55, 4.65, 4.75}));
    PathPlotWindow w(nullptr, &prompts);
    w.openWith(dir);
    w.allButton->click();
    w.plotButton->click();
    QVERIFY(!w.view.comparedMeanLine->item()->isVisible());
    // The legend holds the four lines of the window's own run, nothing more.
    auto* legend = static_cast<QwtLegend*>(w.chart->legend());
    const auto legendEntries = [&] {
      int n = 0;
      for (const QwtPlotItem* item : w.chart->itemList())
        n += legend->legendWidgets(w.chart->itemToInfo(const_cast<QwtPlotItem*>(item))).size();
      return n;
    };
    QCOMPARE(legendEntries(), 4);
    QCOMPARE(w.chart->caption(), "Result directory: " + dir);

    w.compareField->setText(other);
    w.plotButton->click();
    QVERIFY2(prompts.errors.isEmpty(), qPrintable(prompts.errors.join("\n")));
    const PathSummarySeries compared = vk::comparedRunSeries(other.toStdString());
    QCOMPARE(w.view.comparedMeanLine->points(), pointsOf(compared.mean));
    QCOMPARE(w.view.comparedPlusSdLine->points(), pointsOf(compared.plusSd));
    QVERIFY(w.view.comparedMeanLine->item()->isVisible());
    QCOMPARE(w.view.comparedMeanLine->curve()->pen().color(), QColor(0, 140, 70));
    QCOMPARE(w.view.comparedMeanLine->title(), QString::fromUtf8("Mean \u00b1 SD, ") + other);
    QVERIFY(w.view.comparedMeanLine->item()->testItemAttribute(QwtPlotItem::Legend));
    QVERIFY(!w.view.comparedPlusSdLine->item()->testItemAttribute(QwtPlotItem::Legend));
    QCOMPARE(legendEntries(), 5);  // one entry for the compared run
    QCOMPARE(w.chart->caption(), "Result directory: " + dir + ", compared with " + other);
    QVERIFY(!QFile::exists(other + "/stat.txt"));
    // The own run's lines are those of its summary as before.
    PathSummarySeries own;
    vk::summarisePaths(dir.toStdString(), own);
    QCOMPARE(w.view.meanLine->points(), pointsOf(own.mean));

    // A directory that cannot be compared is reported and draws no stale line.
    w.compareField->setText(dir + "-nowhere");
    w.plotButton->click();
    QCOMPARE(prompts.errors.size(), 1);
    QVERIFY(!w.view.comparedMeanLine->item()->isVisible());
    QCOMPARE(legendEntries(), 4);
    prompts.errors.clear();
    w.compareField->clear();

    // Fix Y holds the axis at the typed bounds, also through a Plot.
    w.rateMinField->setText("4.0");
    w.rateMaxField->setText("6.0");
    w.fixRateCheck->click();
    w.plotButton->click();
    w.chart->updateAxes();
    QCOMPARE(w.chart->axisScaleDiv(QwtPlot::yLeft).lowerBound(), 4.0);
    QCOMPARE(w.chart->axisScaleDiv(QwtPlot::yLeft).upperBound(), 6.0);
    w.fixRateCheck->click();
    w.chart->updateAxes();
    QVERIFY(w.chart->axisScaleDiv(QwtPlot::yLeft).upperBound() < 6.0);
    // Bounds in the wrong order are refused and leave the axis free.
    w.rateMinField->setText("5");
    w.rateMaxField->setText("4");
    w.fixRateCheck->click();
    QCOMPARE(prompts.errors.size(), 1);
    QVERIFY(!w.fixRateCheck->isChecked());
  }

  // Every analysis window's chart names the directory it was drawn from.
  void everyChartNamesItsDirectory() {
    writeRateFiles();
    ContourPlotWindow contour(nullptr, &prompts);
    contour.openWith(dir);
    contour.allButton->click();
    contour.plotButton->click();
    QCOMPARE(contour.chart->caption(), "Result directory: " + dir);
    FactsPlotWindow facts(nullptr, &prompts);
    facts.openWith(dir);
    facts.allButton->click();
    facts.plotButton->click();
    for (vk::Chart* chart : {facts.factsPanel->AcfChart, facts.factsPanel->DistributionChart})
      QCOMPARE(chart->caption(), "Result directory: " + dir);
  }

  void aFailedPlotShowsTheErrorAndKeepsWhatWasDone() {
    writeRateFiles();
    PathPlotWindow w(nullptr, &prompts);
    w.openWith(dir);
    check(w, "r0001.csv");
    w.plotButton->click();
    QVERIFY(!w.view.meanLine->points().isEmpty());

    writeFile(dir + "/r0001.old.csv", "");
    w.hide();
    w.show();
    check(w, "r0001.old.csv");
    w.plotButton->click();
    QCOMPARE(prompts.errors.size(), 1);
    QVERIFY2(prompts.errors[0].contains("'old' is not a valid integer value"), qPrintable(prompts.errors[0]));
    QCOMPARE(readFile(dir + "/statname.txt"), QByteArray("1\nold\n"));
    // The reference scan had drawn the actual path before the bad line.
    QVERIFY(w.view.meanLine->points().isEmpty());
    QCOMPARE(w.view.actualLine->points().size(), 4);

    w.openWith(dir + "/missing");
    w.plotButton->click();
    QCOMPARE(prompts.errors.size(), 2);
    QVERIFY2(prompts.errors[1].contains("statname.txt"), qPrintable(prompts.errors[1]));
  }

  void aPlotIsRefusedWhileARunWritesTheDirectoryAndToldOfOneThatStopped() {
    writeRateFiles();
    PathPlotWindow w(nullptr, &prompts);
    w.openWith(dir);
    check(w, "r0001.csv");
    {
      testing::LockingProcess run(dir.toStdString(), ResultLock::Use::Run);
      QVERIFY(run.locked());
      w.plotButton->click();
      QCOMPARE(prompts.errors.size(), 1);
      QVERIFY2(prompts.errors[0].contains("is in use: a run is writing it (process " + QString::number(run.pid())),
               qPrintable(prompts.errors[0]));
      QVERIFY(!QFile::exists(dir + "/statname.txt"));
      run.kill();  // it stops at path 3, its mark left behind
    }
    prompts.notices.clear();
    w.plotButton->click();
    QCOMPARE(prompts.errors.size(), 1);
    QCOMPARE(prompts.notices.size(), 1);
    QVERIFY2(prompts.notices[0].contains("did not finish") && prompts.notices[0].contains("path 3 was cut short"),
             qPrintable(prompts.notices[0]));
    QVERIFY(QFile::exists(dir + "/stat.txt"));
  }

  // A run of paths 0 and 1 over one that left r0002.csv: All leaves it out
  // and says so; ticked by hand it is refused.
  void everyPathMeansTheLastRunsPaths() {
    writeRateFiles();
    writeFile(dir + "/run.lock", "paths 0-1\n");
    PathPlotWindow paths(nullptr, &prompts);
    ContourPlotWindow contour(nullptr, &prompts);
    for (ResultFrame* w : std::initializer_list<ResultFrame*>{&paths, &contour}) {
      prompts.notices.clear();
      prompts.errors.clear();
      w->openWith(dir);
      w->allButton->click();
      QCOMPARE(checkedCount(*w), 2);
      QCOMPARE(w->pathList->findItems("r0002.csv", Qt::MatchExactly).first()->checkState(), Qt::Unchecked);
      QCOMPARE(prompts.notices.size(), 1);
      QVERIFY2(prompts.notices[0].startsWith("1 file (r0002.csv) is left out: the last run in"),
               qPrintable(prompts.notices[0]));
      w->plotButton->click();
      QCOMPARE(prompts.errors.size(), 0);
      QCOMPARE(readFile(dir + "/statname.txt"), QByteArray("2\n0000\n0001\n"));
      check(*w, "r0002.csv");
      w->plotButton->click();
      QCOMPARE(prompts.errors.size(), 1);
      QVERIFY2(prompts.errors[0].contains("Path 2 cannot be summarised") &&
                   prompts.errors[0].contains("wrote paths 0-1, so its file is left from an earlier run"),
               qPrintable(prompts.errors[0]));
    }
    // A directory whose runs kept no record is ticked whole, as before.
    QVERIFY(QFile::remove(dir + "/run.lock"));
    prompts.notices.clear();
    paths.uncheckAll();
    paths.allButton->click();
    QCOMPARE(checkedCount(paths), 3);
    QVERIFY(prompts.notices.isEmpty());
  }

  void aPathListedUnderTwoNamesIsRefused() {
    writeRateFiles();
    writeFile(dir + "/R0001.CSV", readFile(dir + "/r0001.csv"));
    PathPlotWindow w(nullptr, &prompts);
    w.openWith(dir);
    w.allButton->click();
    w.plotButton->click();
    QCOMPARE(prompts.errors.size(), 1);
    QVERIFY2(prompts.errors[0].startsWith("Path 1 is selected twice ("), qPrintable(prompts.errors[0]));
  }

  void contourWindowStartsAsLaidOut() {
    ContourPlotWindow w(nullptr, &prompts);
    QCOMPARE(w.windowTitle(), QString("Contour plot"));
    QVERIFY(w.maxRateAuto->isChecked() && w.minRateAuto->isChecked());
    QVERIFY(!w.maxRateField->isEnabled() && !w.minRateField->isEnabled());
    QCOMPARE(w.maxRateField->text(), QString("5.0"));
    QCOMPARE(w.minRateField->text(), QString("4.0"));
    QCOMPARE(w.gridsField->text(), QString("15"));
    QCOMPARE(w.maxCountField->text(), QString("30"));
    QCOMPARE(w.gridsStepper->position(), 15);
    QCOMPARE(w.maxCountStepper->maximum(), 100);
    QCOMPARE(w.maxCountStepper->minimum(), 0);

    w.maxRateAuto->click();
    QVERIFY(w.maxRateField->isEnabled());
    QVERIFY(!w.minRateField->isEnabled());
    w.maxRateAuto->click();
    QVERIFY(!w.maxRateField->isEnabled());
    w.minRateAuto->click();
    QVERIFY(w.minRateField->isEnabled());
    w.gridsStepper->stepUp();
    QCOMPARE(w.gridsField->text(), QString("16"));

    QVERIFY(!w.view.gridSeries->item()->isVisible());
    QVERIFY(w.view.contourSeries->item()->isVisible());
    QVERIFY(w.chart->axisEnabled(QwtPlot::yLeft));
    auto* legend = qobject_cast<QwtLegend*>(w.chart->legend());
    QVERIFY(legend && legend->defaultItemMode() == QwtLegendData::Checkable);
    auto* actual = static_cast<QwtPlotCurve*>(w.view.actualPathLine->item());
    QCOMPARE(actual->pen().color(), QColor(Qt::red));
    QCOMPARE(actual->pen().width(), 2);
    QCOMPARE(w.view.contourSeries->title(), QString("Contour"));
  }

  void contourPlotHandsTheCountsToTheChart() {
    writeRateFiles();
    ContourPlotWindow w(nullptr, &prompts);
    w.openWith(dir);
    check(w, "r0001.csv");
    check(w, "r0002.csv");
    w.minRateAuto->click();
    w.maxRateAuto->click();
    w.gridsField->setText("10");
    w.plotButton->click();
    QVERIFY2(prompts.errors.isEmpty(), qPrintable(prompts.errors.join("\n")));
    QVERIFY(QFile::exists(dir + "/freq.txt"));

    ContourSettings settings;
    settings.autoMinY = settings.autoMaxY = false;
    settings.grids = 10;
    ContourSeries summary;
    summariseContour(dir.toStdString(), settings, summary);
    QCOMPARE(w.view.gridSeries->gridPoints().size(), static_cast<int>(summary.grid.size()));
    for (GridSeries* series : {w.view.gridSeries, w.view.contourSeries})
      for (int i = 0; i < series->gridPoints().size(); ++i) {
        const GridPoint& p = series->gridPoints()[i];
        const GridCount& c = summary.grid[static_cast<std::size_t>(i)];
        QCOMPARE(p.x, double(c.week));
        QCOMPARE(p.y, double(c.count));
        QCOMPARE(p.z, double(c.bin));
      }
    // Both paths' copies of the actual path, in ascending weeks.
    const QVector<QPointF>& actual = w.view.actualPathLine->points();
    QCOMPARE(actual.size(), 8);
    QCOMPARE(actual[0].x(), 2.0);
    QCOMPARE(actual[7].x(), 5.0);
    QCOMPARE(actual[2], actual[3]);
    QVERIFY(qAbs(actual[4].y() - (4.65 - 4.0 - 0.05) / 0.1) < 1e-9);
  }

  void contourInputErrorsStopThePlot_data() {
    QTest::addColumn<QString>("minY");
    QTest::addColumn<QString>("maxY");
    QTest::addColumn<QString>("grids");
    QTest::addColumn<QString>("maxZ");
    QTest::addColumn<QString>("message");
    QTest::newRow("bound not a number") << "abc"
                                        << "5.0"
                                        << "15"
                                        << "30"
                                        << "'abc' is not a valid floating point value";
    QTest::newRow("grids not a number") << "4.0"
                                        << "5.0"
                                        << "x"
                                        << "30"
                                        << "'x' is not a valid integer value";
    QTest::newRow("no grids") << "4.0"
                              << "5.0"
                              << "0"
                              << "30"
                              << "Floating point division by zero";
    QTest::newRow("equal bounds") << "4.5"
                                  << "4.5"
                                  << "15"
                                  << "30"
                                  << "Floating point division by zero";
  }

  void contourInputErrorsStopThePlot() {
    QFETCH(QString, minY);
    QFETCH(QString, maxY);
    QFETCH(QString, grids);
    QFETCH(QString, maxZ);
    QFETCH(QString, message);
    writeRateFiles();
    ContourPlotWindow w(nullptr, &prompts);
    w.openWith(dir);
    w.allButton->click();
    w.plotButton->click();
    QVERIFY(!w.view.contourSeries->gridPoints().isEmpty());

    w.minRateAuto->click();
    w.maxRateAuto->click();
    w.minRateField->setText(minY);
    w.maxRateField->setText(maxY);
    w.gridsField->setText(grids);
    w.maxCountField->setText(maxZ);
    w.plotButton->click();
    QCOMPARE(prompts.errors.size(), 1);
    QVERIFY2(prompts.errors[0].contains(message), qPrintable(prompts.errors[0]));
    // The Plot had cleared the chart before it stopped.
    QVERIFY(w.view.contourSeries->gridPoints().isEmpty());
    QVERIFY(w.view.actualPathLine->points().isEmpty());
  }

  void weightsWindowDrawsSeventeenLinesOnAFixedAxis() {
    WeightsPlotWindow w(nullptr, &prompts);
    QCOMPARE(w.windowTitle(), QString("Weights plot"));
    QVERIFY(w.findChild<QPushButton*>("CloseBtn"));
    const QColor colours[] = {{255, 0, 0},     {0, 128, 0},   {255, 255, 0}, {0, 0, 255}, {128, 128, 128},
                              {255, 0, 255},   {0, 128, 128}, {0, 0, 128},   {128, 0, 0}, {0, 255, 0},
                              {128, 128, 0},   {128, 0, 128}, {0, 255, 255}, {0, 0, 0},   {192, 220, 192},
                              {166, 202, 240}, {255, 128, 64}};
    for (int j = 0; j < kPlottedWeights; ++j) {
      const auto* curve = static_cast<QwtPlotCurve*>(w.view.Series[j]->item());
      QCOMPARE(w.view.Series[j]->title(), QString::number(j + 1));
      QCOMPARE(curve->pen().color(), colours[j]);
      QCOMPARE(curve->pen().width(), 2);
    }
    auto* legend = qobject_cast<QwtLegend*>(w.chart->legend());
    QVERIFY(legend && legend->defaultItemMode() == QwtLegendData::Checkable);

    // Averages far outside the axis leave it where it is.
    writeFile(dir + "/r0000.csv", rateFile(1, {4.5, 4.6, 4.7}, {4.5, 4.55, 4.65}));
    writeFile(dir + "/w0000.csv", weightFile(1, {{9, -9}, {9, -9}, {9, -9}}));
    w.openWith(dir);
    w.allButton->click();
    w.plotButton->click();
    QVERIFY2(prompts.errors.isEmpty(), qPrintable(prompts.errors.join("\n")));
    const QwtScaleDiv& left = w.chart->axisScaleDiv(QwtPlot::yLeft);
    QCOMPARE(left.lowerBound(), -3.0);
    QCOMPARE(left.upperBound(), 3.0);
    QCOMPARE(left.ticks(QwtScaleDiv::MajorTick), (QList<double>{-3, -2, -1, 0, 1, 2, 3}));

    WeightsSeries summary;
    summariseWeights(dir.toStdString(), summary);
    QCOMPARE(w.view.Series[0]->points().size(), 3);  // weeks 1 to 3
    for (int j = 0; j < kPlottedWeights; ++j) QCOMPARE(w.view.Series[j]->points(), pointsOf(summary.weights[j]));
  }

  void saveOpensTheExportDialogForTheWindowsChart() {
    PathPlotWindow w(nullptr, &prompts);
    QString shownFor;
    QWidget* owner = nullptr;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<ChartExportDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      shownFor = dialog->fileEdit()->text();
      owner = dialog->parentWidget();
      dialog->reject();
    });
    w.saveButton->click();
    QVERIFY2(shownFor.endsWith("simulation-price.png"), qPrintable(shownFor));
    QCOMPARE(owner, &w);
  }

  void contourChartReadsOnTheRateScale() {
    writeRateFiles();
    ContourPlotWindow w(nullptr, &prompts);
    w.openWith(dir);
    w.allButton->click();
    w.plotButton->click();
    ContourSeries summary;
    summariseContour(dir.toStdString(), ContourSettings(), summary);
    // The greyed fields show the whole of the bounds the Plot used.
    for (const auto& [field, bound] :
         {std::pair{w.minRateField, summary.minY}, std::pair{w.maxRateField, summary.maxY}}) {
      QCOMPARE(field->text().toDouble(), bound);
      QVERIFY(!field->isEnabled());
      QVERIFY2(field->fontMetrics().horizontalAdvance(field->text()) <= field->contentsRect().width(),
               qPrintable(field->text()));
    }
    QVERIFY(w.minRateField->text() != "4.0");
    // Automatic bounds take in the simulated 4.0 below every actual rate.
    QVERIFY(summary.minY < 4.0);
    QVERIFY(w.outsideLabel->text().isEmpty());
    // The axis spans the bounds: bin 0's lower edge to the top bin's upper one.
    const QwtScaleDiv& span = w.chart->axisScaleDiv(QwtPlot::yLeft);
    QCOMPARE(span.lowerBound(), -0.5);
    QCOMPARE(span.upperBound(), 15 - 0.5);
    // Bin 0 sits at 0 on the left axis, which labels it with its centre.
    const QwtScaleDraw* left = w.chart->axisScaleDraw(QwtPlot::yLeft);
    QVERIFY(qAbs(left->label(0).text().toDouble() - (summary.minY + summary.binWidth / 2)) < summary.binWidth / 10);
    QVERIFY(qAbs(left->label(2).text().toDouble() - (summary.minY + 2.5 * summary.binWidth)) < summary.binWidth / 10);
    QCOMPARE(w.chart->axisTitle(QwtPlot::yLeft).text(), QString("Rate (log)"));
    // The colour scale beside the grid.
    QVERIFY(w.chart->axisEnabled(QwtPlot::yRight));
    QVERIFY(w.chart->axisWidget(QwtPlot::yRight)->isColorBarEnabled());
    // Bounds that take in every simulated value leave each in a bin of its own.
    QCOMPARE(w.chart->axisWidget(QwtPlot::yRight)->colorBarInterval().maxValue(), 1.0);

    // A Plot that fails before the bins are known keeps no stale rate scale.
    w.gridsField->setText("0");
    w.plotButton->click();
    QCOMPARE(w.chart->axisScaleDraw(QwtPlot::yLeft)->label(2).text(), QString("2.0"));
    w.gridsField->setText("15");
    prompts.errors.clear();

    // Typed bounds stay as typed; what lies beyond them is counted in the
    // edge bins, and the window says how much.
    w.minRateAuto->click();
    w.minRateField->setText("4.2");
    w.plotButton->click();
    QCOMPARE(w.minRateField->text(), QString("4.2"));
    QCOMPARE(w.maxRateField->text().toDouble(), summary.maxY);
    QCOMPARE(w.outsideLabel->text(),
             QString("1 of 12 simulated values lay outside MinY..MaxY (1 below, 0 above) and are counted in the edge "
                     "bins."));
    w.minRateField->setText("3.9");
    w.plotButton->click();
    QVERIFY(w.outsideLabel->text().isEmpty());
  }

  void contourLinesStandOutFromTheGrid() {
    writeRateFiles();
    ContourPlotWindow w(nullptr, &prompts);
    w.openWith(dir);
    w.allButton->click();
    w.plotButton->click();
    w.chart->setSeriesVisible(w.view.gridSeries, true);
    QTemporaryDir out;
    const auto casing = [&] {
      renderChartToFile(*w.chart, out.filePath("c.png"), QSize(400, 300));
      return testing::countPixels(QImage(out.filePath("c.png")), qRgb(30, 30, 70));
    };
    QVERIFY2(casing() > 200, qPrintable(QString::number(casing())));
    w.chart->setSeriesVisible(w.view.contourSeries, false);
    QCOMPARE(casing(), 0);
  }

  void contourLinesAreDrawnInThePalettesColours() {
    writeRateFiles();
    ContourPlotWindow w(nullptr, &prompts);
    w.openWith(dir);
    w.allButton->click();
    w.plotButton->click();
    w.view.actualPathLine->item()->setVisible(false);
    w.chart->enableAxis(QwtPlot::yRight, false);  // the colour scale shows the palette too
    QTemporaryDir out;
    renderChartToFile(*w.chart, out.filePath("c.png"), QSize(400, 300));
    const QImage image(out.filePath("c.png"));
    int coloured = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        if (c.saturation() > 150 && c.value() > 100) ++coloured;
      }
    // The contours take the palette's colours, not the toolkit's black pen.
    QVERIFY2(coloured > 2000, qPrintable(QString::number(coloured)));
  }
};

QTEST_MAIN(AnalysisWindowsTest)
#include "AnalysisWindowsTest.moc"

// The Experiments window: a description made in its form and read back, a
// sweep started from it writing the bytes the command line writes, Stop and
// resume, the live counts and plot, and the results table.
#include <QComboBox>
#include <QDirIterator>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>
#include <cmath>

#include <qwt_scale_div.h>

#include "chart/Chart.h"
#include "experiment/Description.h"
#include "experiment/ExperimentLock.h"
#include "tests/ui/FakePrompts.h"
#include "ui/ExperimentForm.h"
#include "ui/ExperimentsWindow.h"
#include "ui/ResultsTableModel.h"

using vk::testing::FakePrompts;
using vk::testing::ScratchDir;

namespace {

// 12 agents, weeks 53..90 of which 20 train, three paths: a run of a few
// milliseconds. simtimes and popsize are raised where a sweep must last.
const char* const kSmallParameters =
    "0.00435\n6\n0.01088\n0.02176\n0.01538\n12\n53\n90\n20\n0.6\n0.02\n0.5\n0.3\n0.01\n0.25\n3\n2\nwrite\n";

vk::DraftEntry listed(const std::string& name, std::vector<std::string> values) {
  vk::DraftEntry e;
  e.name = name;
  e.values = std::move(values);
  return e;
}

}  // namespace

class ExperimentsWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<ScratchDir> scratch;
  std::unique_ptr<FakePrompts> prompts;
  std::unique_ptr<vk::ExperimentsWindow> window;

  // The form of a grid over popsize and gap2 with two seeds: eight runs.
  void fillSmallGrid(const std::vector<vk::DraftEntry>& more = {}) {
    window->form->inputs.inputsField->setText(scratch->file("in"));
    window->form->addVaryRow(listed("popsize", {"10", "12"}));
    window->form->addVaryRow(listed("gap2", {"0.2", "0.4"}));
    for (const vk::DraftEntry& e : more) window->form->addVaryRow(e);
    window->form->seedsField->setText("2");
    window->descriptionField->setText(scratch->file("sweep.toml"));
  }

  // velquin-cli sweep run on the same description, into another folder.
  void runFromCommandLine(const QString& dir) {
    QProcess cli;
    cli.start(VELQUIN_CLI, {"sweep", "run", scratch->file("sweep.toml"), "--out", dir, "--jobs", "1", "--quiet"});
    QVERIFY(cli.waitForFinished(120000));
    QCOMPARE(cli.exitCode(), 0);
  }

  bool waitForEnd() {
    QDeadlineTimer deadline(120000);
    while (window->sweepRunning() && !deadline.hasExpired()) QTest::qWait(20);
    return !window->sweepRunning();
  }

 private Q_SLOTS:
  void init() {
    scratch = std::make_unique<ScratchDir>();
    QVERIFY(QDir().mkpath(scratch->file("in")));
    for (const char* name : {"price.txt", "data.txt", "wdata.txt"})
      QVERIFY(QFile::copy(QString(VELQUIN_DEMO_DIR) + "/" + name, scratch->file(QString("in/") + name)));
    scratch->write("in/para.txt", kSmallParameters);
    prompts = std::make_unique<FakePrompts>();
    window = std::make_unique<vk::ExperimentsWindow>(nullptr, prompts.get(), VELQUIN_CLI);
  }

  void cleanup() {
    window.reset();
    prompts.reset();
    scratch.reset();
  }

  // At the window's first size the form is never cut at its side: the
  // design row's last field shows, and a range row's From, To and Steps
  // stand in view right of its empty List.
  void theFormShowsItsWholeWidth() {
    vk::DraftEntry range;
    range.name = "popsize";
    range.isRange = true;
    range.from = "40";
    range.to = "120";
    range.steps = 2;
    fillSmallGrid({range});
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto* formScroll = qobject_cast<QScrollArea*>(window->form->parentWidget()->parentWidget());
    QVERIFY(formScroll);
    QVERIFY(!formScroll->horizontalScrollBar()->isVisible());
    QCOMPARE(window->form->visibleRegion().boundingRect().width(), window->form->width());
    QTableWidget* table = window->form->varyTable;
    QVERIFY(!table->horizontalScrollBar()->isVisible());
    const QHeaderView* header = table->horizontalHeader();
    QVERIFY(header->sectionViewportPosition(vk::ExperimentForm::StepsColumn) +
                header->sectionSize(vk::ExperimentForm::StepsColumn) <=
            table->viewport()->width());
    QVERIFY(header->sectionSize(vk::ExperimentForm::ValuesColumn) >= 100);
    QVERIFY(window->sweepChart->width() >= window->sweepChart->minimumWidth());
  }

  void theFormIsSavedAsADescriptionTheReaderTakes() {
    fillSmallGrid();
    window->form->inputs.modeBox->setCurrentText("write");
    QVERIFY(window->saveDescription());
    const vk::Description d = vk::readDescription(scratch->file("sweep.toml").toStdString());
    QCOMPARE(d.vary.size(), std::size_t(2));
    QCOMPARE(d.vary[1].numbers, (std::vector<double>{0.2, 0.4}));
    QCOMPARE(d.seeds.size(), std::size_t(2));
    QCOMPARE(d.mode, std::string("write"));
    QVERIFY(prompts->errors.isEmpty());
    // The sweep plot offers what the description varies.
    QCOMPARE(window->xBox->count(), 2);
    QCOMPARE(window->xBox->itemText(1), QString("gap2"));
  }

  void anOpenedDescriptionFillsTheForm() {
    scratch->write("opened.toml",
                   "inputs = \"in\"\n[vary]\ndelta = { from = 0.003, to = 0.006, steps = 3 }\n"
                   "[replications]\nseeds = [4, 9]\n");
    window->descriptionField->setText(scratch->file("opened.toml"));
    QTest::keyClick(window->descriptionField, Qt::Key_Return);
    QCOMPARE(window->form->varyTable->rowCount(), 1);
    QCOMPARE(window->form->varyTable->item(0, vk::ExperimentForm::FromColumn)->text(), QString("0.003"));
    QCOMPARE(window->form->varyTable->item(0, vk::ExperimentForm::StepsColumn)->text(), QString("3"));
    QCOMPARE(window->form->seedsField->text(), QString("4, 9"));
    QCOMPARE(window->form->inputs.inputsField->text(), scratch->file("in"));
  }

  // A hand-written description keeps its comments and layout unless the
  // user agrees: the form names the lines it does not hold, a form left as
  // it was leaves the file alone, and a changed one asks before replacing it.
  void aHandWrittenDescriptionIsNotRewrittenSilently() {
    const QString hand = "# the pilot's grid\ninputs = \"in\"\n[vary]\ngap2 = [0.1,0.25]\n[replications]\nseeds = 2\n";
    scratch->write("opened.toml", hand);
    window->descriptionField->setText(scratch->file("opened.toml"));
    QVERIFY(window->openDescription());
    QVERIFY(!window->form->note->isHidden());
    QVERIFY2(window->form->note->text().contains("line 1 '# the pilot's grid', line 4 'gap2 = [0.1,0.25]'"),
             qPrintable(window->form->note->text()));
    QVERIFY(window->saveDescription());
    QCOMPARE(scratch->read("opened.toml"), hand);
    QVERIFY(prompts->questions.isEmpty());

    window->form->seedsField->setText("3");
    QVERIFY(!window->saveDescription());
    QCOMPARE(prompts->questions.size(), 1);
    QCOMPARE(scratch->read("opened.toml"), hand);
    window->folderField->setText(scratch->file("sweep"));
    QVERIFY(!window->startSweep());
    QVERIFY(!window->sweepRunning());
    QCOMPARE(scratch->read("opened.toml"), hand);

    prompts->confirmAnswer = true;
    QVERIFY(window->saveDescription());
    QVERIFY(scratch->read("opened.toml").contains("gap2 = [0.1, 0.25]\n"));
    QVERIFY(scratch->read("opened.toml").contains("seeds = 3\n"));
    QVERIFY(window->form->note->isHidden());
  }

  // A form filled anew is not saved over a file it was not opened from
  // without asking.
  void aFormIsNotSavedOverAnotherFileWithoutAsking() {
    scratch->write("sweep.toml", "# mine\n");
    fillSmallGrid();
    QVERIFY(!window->saveDescription());
    QCOMPARE(prompts->questions.size(), 1);
    QVERIFY2(prompts->questions[0].contains("was not opened from"), qPrintable(prompts->questions[0]));
    QCOMPARE(scratch->read("sweep.toml"), QString("# mine\n"));
  }

  void aValueThatIsNoNumberIsRefusedAndNothingWritten() {
    fillSmallGrid({listed("delta", {"0.004; 0.005"})});
    QVERIFY(!window->saveDescription());
    QCOMPARE(prompts->errors.size(), 1);
    QVERIFY2(prompts->errors[0].contains("vary.delta: '0.004; 0.005' is not a number"), qPrintable(prompts->errors[0]));
    QVERIFY(!scratch->exists("sweep.toml"));
    QVERIFY(!window->startSweep());
    QVERIFY(!window->sweepRunning());
  }

  // The window runs the command line's own sweep: the same table, byte for byte.
  void aSweepFromTheWindowWritesTheCommandLinesTable() {
    fillSmallGrid();
    window->folderField->setText(scratch->file("from-window"));
    window->jobsBox->setValue(2);
    QVERIFY(window->startSweep());
    QCOMPARE(window->startButton->text(), QString("Stop"));
    QVERIFY(waitForEnd());
    QVERIFY2(prompts->errors.isEmpty(), qPrintable(prompts->errors.join("\n")));
    QCOMPARE(window->startButton->text(), QString("Start"));
    runFromCommandLine(scratch->file("from-shell"));
    const QString table = scratch->read("from-window/results.csv");
    QVERIFY(table.count('\n') == 1 + 8 * 3);
    QCOMPARE(table, scratch->read("from-shell/results.csv"));
    QCOMPARE(scratch->read("from-window/facts-actual.csv"), scratch->read("from-shell/facts-actual.csv"));
    QVERIFY2(window->statusLabel->text().startsWith("Runs: 8 done, 0 failed, 0 pending of 8"),
             qPrintable(window->statusLabel->text()));
    QVERIFY2(window->sweepChart->chartTitle().contains("across 8 runs; 0 pending or failed runs left out"),
             qPrintable(window->sweepChart->chartTitle()));
  }

  // Stop ends the runs under way; Start again resumes and ends where an
  // uninterrupted sweep ends.
  void aStoppedSweepResumesToTheSameTable() {
    scratch->write("in/para.txt", QString(kSmallParameters).replace("\n12\n53\n90\n", "\n200\n53\n360\n"));
    fillSmallGrid({listed("simtimes", {"60"})});
    window->folderField->setText(scratch->file("resumed"));
    window->jobsBox->setValue(1);
    QVERIFY(window->startSweep());
    // Stopped once a run is done, long before the last. The folder is watched
    // rather than the window's count, which a quick machine may take from 0 to
    // 8 between two of the window's looks.
    const auto aRunIsDone = [&] {
      QDirIterator marks(scratch->file("resumed/runs"), {"done"}, QDir::Files, QDirIterator::Subdirectories);
      return marks.hasNext();
    };
    QDeadlineTimer deadline(60000);
    while (!aRunIsDone() && !deadline.hasExpired()) QTest::qWait(5);
    QVERIFY2(!deadline.hasExpired(), qPrintable(window->statusLabel->text() + "\n" + window->messages->toPlainText()));
    window->startOrStop();
    QVERIFY2(waitForEnd(), qPrintable(window->statusLabel->text() + "\n" + window->messages->toPlainText()));
    QVERIFY2(window->statusLabel->text().contains("(stopped)"), qPrintable(window->statusLabel->text()));
    QVERIFY2(!window->statusLabel->text().contains(" 0 pending"), qPrintable(window->statusLabel->text()));
    // The table written at the stop counts the pending runs.
    QVERIFY(scratch->read("resumed/results.csv").contains(",pending,"));
    QVERIFY(window->sweepChart->chartTitle().contains(QRegularExpression("[1-9] pending or failed runs? left out")));
    QVERIFY(window->startSweep());
    QVERIFY(waitForEnd());
    QVERIFY2(window->statusLabel->text().startsWith("Runs: 8 done"), qPrintable(window->statusLabel->text()));
    runFromCommandLine(scratch->file("uninterrupted"));
    QCOMPARE(scratch->read("resumed/results.csv"), scratch->read("uninterrupted/results.csv"));
  }

  // velquin-cli refuses a folder that holds files but no experiment; the
  // window says why and is ready for another Start.
  void aRefusedSweepIsShownAsAnError() {
    fillSmallGrid();
    scratch->write("busy/notes.txt", "mine");
    window->folderField->setText(scratch->file("busy"));
    QVERIFY(window->startSweep());
    QVERIFY(waitForEnd());
    QCOMPARE(prompts->errors.size(), 1);
    QVERIFY2(prompts->errors[0].contains("busy"), qPrintable(prompts->errors[0]));
    QCOMPARE(window->startButton->text(), QString("Start"));
    QCOMPARE(scratch->read("busy/notes.txt"), QString("mine"));
  }

  void theResultsTableSortsByValueAndOpensARunsFolder() {
    fillSmallGrid();
    window->folderField->setText(scratch->file("table"));
    QVERIFY(window->startSweep());
    QVERIFY(waitForEnd());
    vk::ResultsTableModel& model = *window->results;
    QCOMPARE(model.rowCount(), 24);
    const int rmse = [&] {
      for (int c = 0; c < model.columnCount(); ++c)
        if (model.headerData(c, Qt::Horizontal).toString() == "rmse_sim") return c;
      return -1;
    }();
    QVERIFY(rmse > 0);
    window->resultsView->sortByColumn(rmse, Qt::DescendingOrder);
    for (int row = 1; row < model.rowCount(); ++row)
      QVERIFY(model.index(row - 1, rmse).data().toString().toDouble() >=
              model.index(row, rmse).data().toString().toDouble());
    // A value shows as a number to read at a glance, as written on hover.
    const QString shown = model.index(0, rmse).data().toString();
    const QString written = model.index(0, rmse).data(Qt::ToolTipRole).toString();
    QVERIFY2(written.contains("E") && !shown.contains("E") && shown.size() <= 9, qPrintable(shown + " " + written));
    QVERIFY(std::abs(shown.toDouble() / written.toDouble() - 1) < 1e-5);

    QString opened;
    window->addResultAction("Paths plot", [&opened](const QString& dir) { opened = dir; });
    QPushButton* button = nullptr;
    for (QPushButton* b : window->findChildren<QPushButton*>())
      if (b->text() == "Paths plot") button = b;
    QVERIFY(button);
    button->click();
    QVERIFY(opened.isEmpty());
    QCOMPARE(prompts->notices.size(), 1);
    window->resultsView->setCurrentIndex(model.index(5, 0));
    button->click();
    QCOMPARE(opened,
             scratch->file(QString("table/runs/%1/result").arg(model.field(5, "run").toInt(), 4, 10, QChar('0'))));
    QVERIFY(QFileInfo::exists(opened + "/eval.txt"));
  }

  // The live sweep plot stands on the design's values from its first run to
  // its last: the pending runs at the ends of the design already bound the
  // axes, so the picture is not rescaled as they finish.
  void theLivePlotSpansTheDesignWhileRunsArePending() {
    window->setAxes({"popsize", "gap2"}, false);
    const QString header = "run,seed,popsize,gap2,path,rmse_sim,rmse_rw,status,message\n";
    const auto bounds = [&](QwtPlot::Axis axis) {
      window->sweepChart->updateAxes();
      const QwtScaleDiv& div = window->sweepChart->axisScaleDiv(axis);
      return QPair<double, double>(div.lowerBound(), div.upperBound());
    };
    QString table = header + "0,0,10,0.2,,,,pending,\n1,0,12,0.3,0,1.5,2,done,\n2,0,16,0.2,0,1.2,2,done,\n" +
                    "3,0,20,0.4,,,,pending,\n";
    window->showTable("the runs so far", table.toStdString());
    QCOMPARE(bounds(QwtPlot::xBottom), (QPair<double, double>(10, 20)));
    table.replace("0,0,10,0.2,,,,pending,", "0,0,10,0.2,0,1.1,2,done,");
    window->showTable("the runs so far", table.toStdString());
    QCOMPARE(bounds(QwtPlot::xBottom), (QPair<double, double>(10, 20)));
    window->yBox->setCurrentText("gap2");
    QCOMPARE(bounds(QwtPlot::xBottom), (QPair<double, double>(10, 20)));
    QCOMPARE(bounds(QwtPlot::yLeft), (QPair<double, double>(0.2, 0.4)));
  }

  // "Open in main window", usable once a row is selected, and a double-click
  // hand the run's result folder to the main window with what it is.
  void aSelectedRunOpensInTheMainWindow() {
    fillSmallGrid();
    window->folderField->setText(scratch->file("shown"));
    QVERIFY(window->startSweep());
    QVERIFY(waitForEnd());
    QStringList opened;
    window->setRunViewer([&opened](const QString& dir, const QString& what) { opened << dir << what; });
    QVERIFY(!window->openRunButton->isEnabled());
    window->resultsView->selectRow(4);
    QVERIFY(window->openRunButton->isEnabled());
    window->openRunButton->click();
    const QString run = QString("%1").arg(window->results->field(4, "run").toInt(), 4, 10, QChar('0'));
    QCOMPARE(opened, (QStringList{scratch->file("shown/runs/" + run + "/result"),
                                  "run " + run + " of the experiment in " + scratch->file("shown")}));
    const QModelIndex other = window->results->index(10, 2);
    window->resultsView->setCurrentIndex(other);
    emit window->resultsView->doubleClicked(other);
    QCOMPARE(opened.size(), 4);
    QVERIFY(opened[2].endsWith(
        QString("/runs/%1/result").arg(window->results->field(10, "run").toInt(), 4, 10, QChar('0'))));
    QVERIFY(prompts->questions.isEmpty());
    window->showResultsFolder();  // a table loaded anew has no selection
    QVERIFY(!window->openRunButton->isEnabled());

    // A run that is not done is not opened, and the window says why.
    QString table = scratch->read("shown/results.csv");
    const int start = table.indexOf("\n3,") + 1;
    const int end = table.indexOf('\n', start);
    QStringList fields = table.mid(start, end - start).split(',');
    fields[fields.size() - 2] = "failed";
    fields.last() = "the disk was full";
    table.replace(start, end - start, fields.join(','));
    scratch->write("shown/results.csv", table);
    window->showResultsFolder();
    for (int row = 0; row < window->results->rowCount(); ++row)
      if (window->results->field(row, "status") == "failed") window->resultsView->selectRow(row);
    window->openRunButton->click();
    QCOMPARE(opened.size(), 4);
    QCOMPARE(prompts->notices.size(), 1);
    QVERIFY2(prompts->notices[0].contains("Run 0003 is failed (the disk was full)"), qPrintable(prompts->notices[0]));
  }

  // A run that kept only its summaries is not opened empty: the window says
  // so and, if the user agrees, makes the run again in a scratch folder,
  // off its thread, and opens that once its report is the one kept. The
  // experiment is not touched: a collect afterwards gives the same table.
  // While another command owns the experiment folder nothing is made.
  void aLeanRunIsMadeAgainOutsideTheExperimentBeforeItOpens() {
    fillSmallGrid();
    window->form->keepBox->setCurrentIndex(1);
    window->folderField->setText(scratch->file("lean"));
    QVERIFY(window->startSweep());
    QVERIFY(waitForEnd());
    const QString table = scratch->read("lean/results.csv");
    const auto tree = [&] {
      QMap<QString, QByteArray> files;
      for (QDirIterator it(scratch->file("lean"), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        QFile f(it.next());
        f.open(QIODevice::ReadOnly);
        files[f.fileName()] = f.readAll();
      }
      return files;
    };
    const QMap<QString, QByteArray> before = tree();
    QStringList opened;
    window->setRunViewer([&opened](const QString& dir, const QString&) { opened << dir; });
    window->resultsView->selectRow(7);

    window->openRunButton->click();
    QCOMPARE(prompts->questions.size(), 1);
    QVERIFY2(prompts->questions[0].contains("kept only its summaries"), qPrintable(prompts->questions[0]));
    QVERIFY(opened.isEmpty());

    prompts->confirmAnswer = true;
    {
      const vk::ExperimentLock collect(scratch->file("lean").toStdString(), "sweep collect");
      window->openRunButton->click();
      QCOMPARE(prompts->errors.size(), 1);
      QVERIFY2(prompts->errors[0].contains("'" + scratch->file("lean") + "' is in use by sweep collect"),
               qPrintable(prompts->errors[0]));
    }
    QVERIFY(opened.isEmpty());

    window->openRunButton->click();
    QTRY_VERIFY2_WITH_TIMEOUT(!opened.isEmpty() || prompts->errors.size() > 1,
                              qPrintable(window->messages->toPlainText()), 60000);
    QVERIFY2(prompts->errors.size() == 1, qPrintable(prompts->errors.join("\n")));
    QVERIFY(!opened[0].startsWith(scratch->path()));
    QVERIFY(QFileInfo::exists(opened[0] + "/r0000.csv"));
    QVERIFY(QFileInfo::exists(opened[0] + "/eval.txt"));
    QCOMPARE(tree(), before);
    QProcess collect;
    collect.start(VELQUIN_CLI, {"sweep", "collect", scratch->file("lean"), "--quiet"});
    QVERIFY(collect.waitForFinished(60000));
    QCOMPARE(collect.exitCode(), 0);
    QCOMPARE(scratch->read("lean/results.csv"), table);

    // Made once: the next opening shows the same files without asking.
    QString plotted;
    window->addResultAction("Paths plot", [&plotted](const QString& dir) { plotted = dir; });
    for (QPushButton* b : window->findChildren<QPushButton*>())
      if (b->text() == "Paths plot") b->click();
    QCOMPARE(plotted, opened[0]);
    QCOMPARE(prompts->questions.size(), 3);
    // A kept report changed since (the experiment run again) makes the copy
    // stale: the window asks again rather than show another run's files.
    const QString kept = window->selectedRunResult() + "/eval.txt.gz";
    QVERIFY(QFile::remove(kept));
    QVERIFY(QFile::copy(scratch->file("lean/runs/0000/result/eval.txt.gz"), kept));
    prompts->confirmAnswer = false;
    window->openRunButton->click();
    QCOMPARE(prompts->questions.size(), 4);
    QCOMPARE(opened.size(), 1);
    prompts->confirmAnswer = true;

    // A rerun whose report is not the kept one (its price file changed since)
    // is not shown as the run.
    QStringList prices = scratch->read("in/price.txt").split('\n');
    prices[80] = QString::number(prices[80].toDouble() * 1.5, 'f', 4);
    scratch->write("in/price.txt", prices.join('\n'));
    window->resultsView->selectRow(1);
    window->openRunButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(prompts->errors.size() == 2, 60000);
    QVERIFY2(prompts->errors[1].contains("another report than the one the experiment kept"),
             qPrintable(prompts->errors[1]));
    QCOMPARE(opened.size(), 1);
  }
};

QTEST_MAIN(ExperimentsWindowTest)
#include "ExperimentsWindowTest.moc"

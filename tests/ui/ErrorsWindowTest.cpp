// The errors of a run on screen: each finished path's RMSE and MAE against
// the random walk's, their ratios, and the median ratio over the paths.
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>

#include <cmath>
#include <limits>

#include "FakePrompts.h"
#include "run/ReportFile.h"
#include "ui/ErrorsWindow.h"
#include "ui/FilledGridTable.h"
#include "ui/MainWindow.h"
#include "ui/PathErrors.h"
#include "ui/RunNote.h"
#include "ui/WrappedText.h"

using vk::testing::FakePrompts;
using vk::testing::ScratchDir;

namespace {

// A report block whose RMSE ratio is `ratio` (MAE ratio twice it), of a
// path other than 1, which would carry the parameters.
std::string reportBlock(int path, double ratio) {
  const double errors[vk::kReportErrorCount] = {0, 0, 2 * ratio, 1, ratio, 1};
  const double statistics[vk::kReportStatisticCount] = {};
  return vk::pathReportText(path, "", errors, statistics);
}

QStringList column(const QTableWidget& table, int c) {
  QStringList texts;
  for (int row = 0; row < table.rowCount(); ++row) texts << (table.item(row, c) ? table.item(row, c)->text() : "?");
  return texts;
}

vk::PathErrorRow withRatio(int path, double ratio) {
  vk::PathErrorRow r;
  r.path = path;
  r.rmseRatio = ratio;
  return r;
}

}  // namespace

class ErrorsWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void theSummaryTakesTheMedianAndTheTenAndNinetyPercentOfTheDefinedRatios() {
    std::vector<vk::PathErrorRow> rows;
    for (int i = 1; i <= 5; ++i) rows.push_back(withRatio(i, i));
    rows.push_back(withRatio(6, std::numeric_limits<double>::quiet_NaN()));  // a walk without error
    const vk::ErrorSummary s = vk::summariseErrors(rows);
    QCOMPARE(s.paths, 5);
    QCOMPARE(s.median, 3.0);
    QCOMPARE(s.p10, 1.4);
    QCOMPARE(s.p90, 4.6);
    QCOMPARE(vk::errorSummaryText(s), QString("Median RMSE ratio 3.000 (10-90 %: 1.400-4.600) over 5 paths"));
    QCOMPARE(vk::errorSummaryText(vk::summariseErrors({})), QString("No path has an RMSE ratio yet"));
  }

  void aRunFillsTheTableFromItsReportPathByPath() {
    ScratchDir dir;
    dir.copyDemo();
    QString para = dir.read("para.txt");
    dir.write("para.txt", para.replace("\n10 simtimes", "\n3 simtimes").replace("\n5 nsample", "\n1 nsample"));
    QDir(dir.path()).mkdir("result");
    FakePrompts prompts;
    vk::MainWindow form(&prompts);
    form.startRun();
    QVERIFY(form.errorsWindow->isVisible());
    form.waitForRunEnd();
    const std::vector<vk::PathReportRow> report = vk::readRunReport("result/eval.txt");
    QCOMPARE(report.size(), std::size_t(3));
    QTableWidget* table = form.errorsWindow->table;
    QCOMPARE(table->rowCount(), 3);
    std::vector<double> ratios;
    for (int i = 0; i < 3; ++i) {
      const double rmseSim = vk::reportValue(report[std::size_t(i)], 4),
                   rmseWalk = vk::reportValue(report[std::size_t(i)], 5);
      const double maeSim = vk::reportValue(report[std::size_t(i)], 2),
                   maeWalk = vk::reportValue(report[std::size_t(i)], 3);
      QCOMPARE(table->item(i, 0)->text(), QString::number(i));
      QCOMPARE(table->item(i, 1)->text(), QString::number(rmseSim, 'f', 4));
      QCOMPARE(table->item(i, 2)->text(), QString::number(rmseWalk, 'f', 4));
      QCOMPARE(table->item(i, 3)->text(), QString::number(rmseSim / rmseWalk, 'f', 4));
      QCOMPARE(table->item(i, 4)->text(), QString::number(maeSim, 'f', 4));
      QCOMPARE(table->item(i, 6)->text(), QString::number(maeSim / maeWalk, 'f', 4));
      ratios.push_back(rmseSim / rmseWalk);
    }
    std::sort(ratios.begin(), ratios.end());
    QVERIFY2(form.errorsWindow->summary->text().startsWith(
                 QString("Median RMSE ratio %1").arg(QString::number(ratios[1], 'f', 3))),
             qPrintable(form.errorsWindow->summary->text()));
    QVERIFY(form.errorsWindow->summary->text().contains("in result, run of "));
    // The facts of the run's paths furthest from the actual ones, on a line
    // of their own, as in the log.
    const QStringList lines = form.errorsWindow->summary->text().split('\n');
    QVERIFY2(lines.size() >= 2 && lines[1].startsWith("Facts furthest from the actual: "),
             qPrintable(form.errorsWindow->summary->text()));
    QVERIFY(form.logView->toPlainText().endsWith(lines[1]));
    // The ratio column sorts by number.
    table->sortItems(3, Qt::DescendingOrder);
    QCOMPARE(table->item(0, 3)->text(), QString::number(ratios[2], 'f', 4));
  }

  // The filled grid and frame, and the cells drawn as their text alone, put
  // the same pixels where the table's own lines, the style's frame and the
  // style's cells go, also when only part of the table is repainted: texts
  // aligned either way, a text too long for its cell, a selected row.
  void theFilledGridLooksLikeTheTablesOwn() {
    QTableWidget stroked(4, 3);
    vk::FilledGridTable filled(4, 3);
    for (QTableWidget* table : {static_cast<QTableWidget*>(&stroked), static_cast<QTableWidget*>(&filled)}) {
      table->resize(300, 200);
      table->horizontalHeader()->resizeSection(1, 57);
      for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 3; ++column) {
          auto* item = new QTableWidgetItem(QString::number(row * 10 + column));
          if (column == 1) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
          if (column == 2) item->setTextAlignment(Qt::AlignHCenter | Qt::AlignBottom);
          table->setItem(row, column, item);
        }
      table->item(0, 1)->setText("-0.123456789012");
      table->setRowHidden(2, true);
      table->selectRow(3);
    }
    QCOMPARE(filled.grab().toImage(), stroked.grab().toImage());
    const QRect part(30, 10, 90, 40);
    QCOMPARE(filled.viewport()->grab(part).toImage(), stroked.viewport()->grab(part).toImage());
    const QRect corner(0, 150, 40, 50);
    QCOMPARE(filled.grab(corner).toImage(), stroked.grab(corner).toImage());
    // Scrolled, in a table too small for its cells.
    for (QTableWidget* table : {static_cast<QTableWidget*>(&stroked), static_cast<QTableWidget*>(&filled)}) {
      table->resize(120, 70);
      table->show();
      QVERIFY(QTest::qWaitForWindowExposed(table));
      table->scrollToItem(table->item(3, 2));
    }
    QVERIFY(filled.horizontalScrollBar()->value() > 0);
    QCOMPARE(filled.grab().toImage(), stroked.grab().toImage());
  }

  // Rows that arrive while the table is sorted by another column take their
  // place in that order whole, every cell with its own row.
  void pathsArrivingInASortedTableKeepTheirRowsWhole() {
    ScratchDir dir;
    QDir(dir.path()).mkdir("result");
    vk::ErrorsWindow window(nullptr);
    window.beginRun("result");
    dir.write("result/eval.txt", QString::fromStdString(reportBlock(0, 0.5) + reportBlock(2, 0.25)));
    window.readReport(true);
    window.table->sortItems(3, Qt::DescendingOrder);
    dir.write("result/eval.txt", QString::fromStdString(reportBlock(0, 0.5) + reportBlock(2, 0.25) +
                                                        reportBlock(3, 0.75) + reportBlock(4, 0.125)));
    window.readReport(true);
    QCOMPARE(column(*window.table, 0), QStringList({"3", "0", "2", "4"}));
    QCOMPARE(column(*window.table, 3), QStringList({"0.7500", "0.5000", "0.2500", "0.1250"}));
    QCOMPARE(column(*window.table, 6), QStringList({"1.5000", "1.0000", "0.5000", "0.2500"}));
    QCOMPARE(window.table->horizontalHeader()->sortIndicatorSection(), 3);
  }

  // The summary wraps at the window's width and keeps the height of its
  // longest text, so that the table keeps its height when the next run
  // starts with a one-line summary.
  void theTableKeepsItsHeightFromOneRunToTheNext() {
    ScratchDir dir;
    QDir(dir.path()).mkdir("result");
    dir.write("result/eval.txt", QString::fromStdString(reportBlock(0, 0.5)));
    vk::ErrorsWindow window(nullptr);
    window.resize(400, 300);
    window.beginRun("result");
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const int oneLine = window.summary->height();
    const QString facts = "Facts furthest from the actual: " + QString("a fact far from the actual one; ").repeated(8);
    window.endRun("0:01", facts);
    QTRY_VERIFY(window.summary->height() > 3 * oneLine);
    const int tableHeight = window.table->height();
    QVERIFY(window.summary->text().endsWith(facts));
    window.beginRun("result");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QVERIFY(!window.summary->text().contains("Facts"));
    QCOMPARE(window.table->height(), tableHeight);
    // Also when the window is laid out anew for another reason.
    window.summary->updateGeometry();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCOMPARE(window.table->height(), tableHeight);
    // A wider window lays the summary out anew, and so does a larger font.
    window.resize(800, 300);
    QTRY_VERIFY(window.summary->height() < 3 * oneLine);
    const int narrowFont = window.summary->heightForWidth(800);
    QFont larger = window.summary->font();
    larger.setPixelSize(2 * QFontInfo(larger).pixelSize());
    window.summary->setFont(larger);
    QVERIFY(window.summary->heightForWidth(800) > narrowFont);
  }

  void anUnreadableReportIsSaidAfterTheRun() {
    ScratchDir dir;
    QDir(dir.path()).mkdir("result");
    dir.write("result/eval.txt", "No. = 0\nnot a report\n");
    vk::ErrorsWindow window(nullptr);
    window.beginRun("result");
    window.readReport(true);  // still being written: no complaint yet
    QVERIFY(!window.summary->text().contains("eval.txt"));
    window.endRun("0:01");
    QVERIFY2(window.summary->text().contains("eval.txt"), qPrintable(window.summary->text()));
    QCOMPARE(window.table->rowCount(), 0);
  }

  void theLogNamesWhatDiffersFromTheDemo() {
    vk::Parameters p = vk::demoParameters();
    QCOMPARE(vk::parametersUnlike(p, vk::demoParameters()), std::string("none"));
    QCOMPARE(p.popsize, 100);
    p.popsize = 20;
    p.gap1 = 0.25;
    p.runMode = "write";
    QCOMPARE(vk::parametersUnlike(p, vk::demoParameters()),
             std::string("popsize 20 (demo 100), gap1 0.25 (demo 0.2), runMode write (demo all)"));
  }
};

QTEST_MAIN(ErrorsWindowTest)
#include "ErrorsWindowTest.moc"

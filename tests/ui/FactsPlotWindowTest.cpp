// The facts window: its charts and table as laid out, what a Plot hands to
// them, a failed Plot, and Save and the picture of the whole panel.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <qwt_plot_curve.h>
#include <qwt_plot_intervalcurve.h>
#include <qwt_scale_div.h>
#include <qwt_symbol.h>

#include <cmath>

#include "analysis/FactsSummary.h"
#include "chart/Chart.h"
#include "chart/ChartExport.h"
#include "chart/FactsView.h"
#include "io/TextFormat.h"
#include "tests/ui/FakePrompts.h"
#include "tests/ui/Pixels.h"
#include "ui/FactsPlotWindow.h"

using namespace vk;

namespace {

QString quoted(const QString& s) { return "\"" + s + "\""; }

// Weeks 1 and 2 are training weeks; weeks 3 to 16 are simulated, with the
// changes given (actual changes those of the reference path).
QByteArray rateFile(const QVector<double>& simulated, const QVector<double>& actual) {
  QByteArray text;
  for (int w = 1; w <= 2; ++w)
    text += QString("\"%1\",\"4.50000\",\"4.50000\",\"0.00000\",\"0.00000\",\"0\"\n").arg(w).toUtf8();
  for (int i = 0; i < simulated.size(); ++i) {
    const QStringList fields = {QString::number(3 + i),
                                "4.60000",
                                "4.55000",
                                QString::fromStdString(fixed(simulated[i], 7, 5)),
                                QString::fromStdString(fixed(actual[i], 7, 5)),
                                QString::fromStdString(fixed(0.1 + std::fabs(simulated[i]) * 10, 8, 5))};
    QStringList items;
    for (const QString& f : fields) items << quoted(f);
    text += items.join(",").toUtf8() + "\n";
  }
  return text;
}

const QVector<double> kActual = {0.01,  -0.005, 0.0,    0.015, -0.02, 0.005,  0.005,
                                 -0.01, 0.03,   -0.015, 0.0,   0.01,  -0.025, 0.005};

void writeFile(const QString& path, const QByteArray& text) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(text);
}

QVector<QPointF> pointsOfColumn(const FactRow& row, int firstColumn) {
  QVector<QPointF> points;
  for (int h = 1; h <= kAcfLags; ++h)
    if (row[firstColumn + h - 1]) points.append(QPointF(h, *row[firstColumn + h - 1]));
  return points;
}

}  // namespace

class FactsWindowTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir tmp;
  QString dir;
  testing::FakePrompts prompts;

  void writeRateFiles() {
    writeFile(dir + "/r0000.csv", rateFile(kActual, kActual));
    writeFile(dir + "/r0001.csv",
              rateFile({0.005, 0.005, -0.01, 0.0, 0.02, -0.005, 0.0, 0.005, -0.015, 0.01, 0.0, -0.005, 0.005, 0.01},
                       kActual));
    writeFile(
        dir + "/r0002.csv",
        rateFile({-0.01, 0.0, 0.0, 0.005, -0.005, 0.01, -0.02, 0.005, 0.0, 0.0, 0.015, 0.005, -0.005, 0.0}, kActual));
  }

 private Q_SLOTS:
  void init() {
    dir = tmp.path() + "/" + QTest::currentTestFunction();
    QVERIFY(QDir().mkpath(dir));
    prompts.errors.clear();
  }

  void startsAsLaidOut() {
    FactsPlotWindow w(nullptr, &prompts);
    QCOMPARE(w.windowTitle(), QString("Stylized facts"));
    QVERIFY(w.findChild<QPushButton*>("CloseBtn"));
    const std::pair<Chart*, QString> charts[] = {{w.factsPanel->AcfChart, "Autocorrelation of changes"},
                                                 {w.factsPanel->AbsAcfChart, "Autocorrelation of absolute changes"},
                                                 {w.factsPanel->DistributionChart, "Distribution of weekly changes"}};
    for (const auto& [chart, title] : charts) {
      QCOMPARE(chart->chartTitle(), title);
      QVERIFY(!chart->axisTitle(QwtPlot::xBottom).text().isEmpty());
      QVERIFY(!chart->axisTitle(QwtPlot::yLeft).text().isEmpty());
      QVERIFY(chart->legend());
    }
    QCOMPARE(w.factsPanel->AcfChart->axisTitle(QwtPlot::xBottom).text(), QString("Lag (weeks)"));
    w.factsPanel->AbsAcfChart->updateAxes();
    const QwtScaleDiv& lags = w.factsPanel->AbsAcfChart->axisScaleDiv(QwtPlot::xBottom);
    QCOMPARE(lags.ticks(QwtScaleDiv::MajorTick).first(), 1.0);
    QCOMPARE(lags.ticks(QwtScaleDiv::MajorTick).last(), 10.0);
    QVERIFY(lags.lowerBound() < 1 && lags.upperBound() > 10);
    QCOMPARE(w.factsPanel->DistributionChart->axisTitle(QwtPlot::yLeft).text(), QString("Share of weeks"));
    for (const FactsView::AutocorrelationSeries* s : {&w.view.changes, &w.view.sizes}) {
      QCOMPARE(s->actual->title(), QString("Actual"));
      QCOMPARE(s->median->title(), QString("Simulated median"));
      QVERIFY(s->actual->curve()->symbol());
      QCOMPARE(s->actual->curve()->pen().color(), QColor(Qt::red));
      QVERIFY(static_cast<QwtPlotIntervalCurve*>(s->range->item())->brush().style() != Qt::NoBrush);
      QCOMPARE(static_cast<QwtPlotIntervalCurve*>(s->noise->item())->brush().style(), Qt::NoBrush);
    }
    QCOMPARE(w.factsPanel->Table->header().size(), 4);
    QVERIFY(w.factsPanel->Table->rows().isEmpty());
  }

  void plotHandsTheSummaryToChartsAndTable() {
    writeRateFiles();
    FactsPlotWindow w(nullptr, &prompts);
    w.openWith(dir);
    w.allButton->click();
    w.plotButton->click();
    QVERIFY2(prompts.errors.isEmpty(), qPrintable(prompts.errors.join("\n")));
    QVERIFY(QFile::exists(dir + "/facts.csv"));

    FactsSeries summary;
    summariseFacts(dir.toStdString(), std::string(), summary);
    QCOMPARE(summary.simulated.size(), std::size_t(3));
    const std::pair<const FactsView::AutocorrelationSeries*, int> charts[] = {{&w.view.changes, kFactAcfR},
                                                                              {&w.view.sizes, kFactAcfAbs}};
    for (const auto& [s, column] : charts) {
      QCOMPARE(s->actual->points(), pointsOfColumn(summary.actual, column));
      QCOMPARE(s->median->points(), pointsOfColumn(summary.median, column));
      QCOMPARE(s->range->lows(), pointsOfColumn(summary.p10, column));
      QCOMPARE(s->range->highs(), pointsOfColumn(summary.p90, column));
      QCOMPARE(s->actual->points().size(), kAcfLags);
      // Fourteen weeks: the band of no autocorrelation is +-1.96 / sqrt(14).
      QCOMPARE(s->noise->highs().size(), kAcfLags);
      QCOMPARE(s->noise->highs()[4], QPointF(5, 1.96 / std::sqrt(14.0)));
      QCOMPARE(s->noise->lows()[4], QPointF(5, -1.96 / std::sqrt(14.0)));
    }
    const ChangeHistogram& h = summary.distribution;
    QCOMPARE(h.binWidth, 0.005);
    QCOMPARE(w.view.simulatedShare->points().size(), int(h.centres.size()));
    QCOMPARE(w.view.actualShare->points().size(), int(h.centres.size()));
    for (std::size_t i = 0; i < h.centres.size(); ++i) {
      QCOMPARE(w.view.simulatedShare->points()[int(i)], QPointF(h.centres[i], h.simulatedShare[i]));
      QCOMPARE(w.view.actualShare->points()[int(i)], QPointF(h.centres[i], h.actualShare[i]));
    }

    // The table: actual, median and the 10-90 % range of each scalar fact.
    const QVector<QStringList>& rows = w.factsPanel->Table->rows();
    QCOMPARE(rows.size(), 12);
    QCOMPARE(rows[0], (QStringList{"Weeks", "14", "14", "[14, 14]"}));
    QCOMPARE(rows[1][1], QString::number(*summary.actual[kFactMean], 'g', 4));
    QCOMPARE(rows[3][2], QString::number(*summary.median[kFactSkew], 'g', 4));
    QCOMPARE(rows[3][3], "[" + QString::number(*summary.p10[kFactSkew], 'g', 4) + ", " +
                             QString::number(*summary.p90[kFactSkew], 'g', 4) + "]");
    // The actual series has no volume: undefined.
    QCOMPARE(rows[11][0], QString("Volume and |change|"));
    QCOMPARE(rows[11][1], QString::fromUtf8("\u2013"));
  }

  // In an experiment's run folder facts.csv is the one the experiment's
  // table joins to every path: a Plot of some paths writes its table beside
  // it, and one of every path writes the same facts.csv.
  void somePathsOfAnExperimentsRunLeaveItsFactsTable() {
    const QString experiment = dir;
    dir = experiment + "/runs/0000/result";
    QVERIFY(QDir().mkpath(dir));
    writeFile(experiment + "/experiment.toml", "inputs = \"in\"\n");
    writeRateFiles();
    FactsPlotWindow w(nullptr, &prompts);
    w.openWith(dir);
    w.allButton->click();
    w.plotButton->click();
    QFile made(dir + "/facts.csv");
    QVERIFY(made.open(QIODevice::ReadOnly));
    const QByteArray joined = made.readAll();
    made.close();
    QVERIFY(!QFile::exists(dir + "/facts-selected.csv"));

    w.clearButton->click();
    w.pathList->item(1)->setCheckState(Qt::Checked);
    w.plotButton->click();
    QVERIFY2(prompts.errors.isEmpty(), qPrintable(prompts.errors.join("\n")));
    QVERIFY(made.open(QIODevice::ReadOnly));
    QCOMPARE(made.readAll(), joined);
    made.close();
    QFile selected(dir + "/facts-selected.csv");
    QVERIFY(selected.open(QIODevice::ReadOnly));
    QCOMPARE(selected.readAll().count('\n'), 1 + 1 + 1 + 3);  // header, actual, one path, three quantiles

    QVERIFY(QFile::remove(dir + "/facts.csv"));
    w.allButton->click();
    w.plotButton->click();
    QVERIFY(made.open(QIODevice::ReadOnly));
    QCOMPARE(made.readAll(), joined);
  }

  // At the window's size every cell shows whole in its column, the header's
  // words wrap rather than being cut, and each row explains itself on hover.
  void theTableFitsItsCellsAndExplainsEachFact() {
    writeRateFiles();
    FactsPlotWindow w(nullptr, &prompts);
    w.openWith(dir);
    w.allButton->click();
    w.plotButton->click();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    vk::FactsTable& table = *w.factsPanel->Table;
    const vk::FactsTable::Layout l = table.layoutIn(table.rect());
    QFont text = table.font();
    text.setPixelSize(10);
    QFont bold = text;
    bold.setPixelSize(11);
    bold.setBold(true);
    const QFontMetricsF textMetrics(text), boldMetrics(bold);
    QCOMPARE(l.columnWidths.size(), 4);
    for (const QStringList& row : table.rows())
      for (int c = 0; c < 4; ++c)
        QVERIFY2(textMetrics.horizontalAdvance(row[c]) <= l.columnWidths[c] - 6, qPrintable(row[c]));
    double total = 0;
    for (double width : l.columnWidths) total += width;
    QVERIFY(total <= l.area.width() + 0.01);
    // In a narrow table the header wraps onto more lines instead of eliding.
    const vk::FactsTable::Layout narrow = table.layoutIn(QRectF(0, 0, 330, 400));
    QVERIFY(narrow.headerHeight >= 2 * boldMetrics.lineSpacing());

    // Hovering: the row under the pointer, nothing over the header.
    const auto rowCentre = [&](int r) {
      return QPoint(int(l.area.left() + 10), int(l.area.top() + l.headerHeight + (r + 0.5) * l.rowHeight));
    };
    QVERIFY(table.explanationAt(rowCentre(0)).contains("weekly changes"));
    QVERIFY(table.explanationAt(rowCentre(10)).contains("next week"));
    QVERIFY(table.explanationAt(QPoint(int(l.area.left() + 10), int(l.area.top() + 2))).isEmpty());
    QSet<QString> explanations;
    for (int r = 0; r < table.rows().size(); ++r) explanations.insert(table.explanationAt(rowCentre(r)));
    QCOMPARE(explanations.size(), table.rows().size());
    QVERIFY(!explanations.contains(QString()));
  }

  void aFailedPlotReportsAndShowsWhatWasComputed() {
    writeRateFiles();
    FactsPlotWindow w(nullptr, &prompts);
    w.openWith(dir);
    w.allButton->click();
    QVERIFY(QFile::remove(dir + "/r0002.csv"));
    w.plotButton->click();
    QCOMPARE(prompts.errors.size(), 1);
    QVERIFY2(prompts.errors[0].contains("r0002.csv"), qPrintable(prompts.errors[0]));
    // The actual series was read before the missing path.
    QCOMPARE(w.view.changes.actual->points().size(), kAcfLags);
    QVERIFY(w.view.changes.median->points().isEmpty());
  }

  void saveExportsTheWholePanel() {
    writeRateFiles();
    FactsPlotWindow w(nullptr, &prompts);
    w.openWith(dir);
    w.allButton->click();
    w.plotButton->click();
    const QString picture = tmp.filePath("facts.png");
    QString proposed;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<ChartExportDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      proposed = dialog->fileEdit()->text();
      dialog->widthBox()->setValue(1000);
      dialog->heightBox()->setValue(700);
      dialog->fileEdit()->setText(picture);
      dialog->accept();
    });
    w.saveButton->click();
    QVERIFY2(proposed.endsWith("stylized-facts.png"), qPrintable(proposed));
    const QImage image(picture);
    QCOMPARE(image.size(), QSize(1000, 700));
    // The actual lines in red in three quarters, the table's text in the fourth.
    const QRect quarters[] = {{0, 0, 500, 350}, {500, 0, 500, 350}, {0, 350, 500, 350}};
    for (const QRect& q : quarters)
      QVERIFY2(testing::countPixels(image.copy(q), qRgb(255, 0, 0)) > 100, qPrintable(QString::number(q.x())));
    QVERIFY(testing::countPixels(image.copy(500, 350, 500, 350), qRgb(0, 0, 0)) > 200);
  }
};

QTEST_MAIN(FactsWindowTest)
#include "FactsPlotWindowTest.moc"

// The chart adapter: point order, bar slots, grid cells, drawing at once and
// writing files.
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <qwt_abstract_legend.h>
#include <qwt_plot_barchart.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_spectrogram.h>
#include <qwt_scale_div.h>
#include <qwt_text_label.h>

#include "Pixels.h"
#include "chart/Chart.h"
#include "chart/ChartData.h"
#include "chart/ChartExport.h"
#include "io/RunError.h"

using vk::Chart;

using vk::testing::countPixels;

namespace {

QVector<double> xs(const QVector<QPointF>& points) {
  QVector<double> out;
  for (const QPointF& p : points) out.append(p.x());
  return out;
}

QByteArray head(const QString& path, int n) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return f.read(n);
}

}  // namespace

class ChartTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void ascendingSeriesInsertsByXAfterEqualValues() {
    Chart chart;
    auto* line = chart.addFastLine("Line", Qt::red, 2);
    for (double x : {1.0, 3.0, 2.0, 3.0, 0.0}) line->addPoint(x, x * 10 + line->points().size());
    QCOMPARE(xs(line->points()), (QVector<double>{0, 1, 2, 3, 3}));
    // The second point at x = 3 went after the first one.
    QCOMPARE(line->points()[3].y(), 31.0);
    QCOMPARE(line->points()[4].y(), 33.0);
    line->clear();
    QVERIFY(line->points().isEmpty());
    QCOMPARE(line->curve()->pen().width(), 2);
  }

  void axesFollowThePointsAndAFixedAxisStays() {
    Chart chart;
    chart.fixLeftAxis(-3.2, 3.2);
    auto* bars = chart.addBars("Weights", Qt::red);
    for (int k = 1; k <= 4; ++k) bars->addPoint(k, k * 2.0);
    chart.replot();
    const QwtScaleDiv& left = chart.axisScaleDiv(QwtPlot::yLeft);
    QCOMPARE(left.lowerBound(), -3.2);
    QCOMPARE(left.upperBound(), 3.2);
    // Whole bars at both ends: the bottom axis reaches half a slot beyond.
    const QwtScaleDiv& bottom = chart.axisScaleDiv(QwtPlot::xBottom);
    QVERIFY(bottom.lowerBound() <= 0.5);
    QVERIFY(bottom.upperBound() >= 4.5);
    auto* item = static_cast<QwtPlotBarChart*>(bars->item());
    QCOMPARE(item->layoutHint(), 0.9);
    bars->addPoint(4.5, 1);  // a narrower slot makes narrower bars
    QCOMPARE(item->layoutHint(), 0.45);
  }

  void colourGridShowsTheNearestCellAndContourInterpolates() {
    vk::GridData cells(false), smooth(true);
    for (vk::GridData* d : {&cells, &smooth}) {
      d->add({10, 1, 0});  // x, value, z
      d->add({11, 3, 0});
      d->add({10, 5, 1});
      d->add({11, 7, 1});
    }
    QCOMPARE(cells.value(10.4, 0.2), 1.0);
    QCOMPARE(cells.value(10.6, 0.9), 7.0);
    QCOMPARE(smooth.value(10.5, 0.5), 4.0);
    // Cells are centred on their points; contour lines end at the outer points.
    QCOMPARE(cells.interval(Qt::XAxis).minValue(), 9.5);
    QCOMPARE(cells.interval(Qt::YAxis).maxValue(), 1.5);
    QCOMPARE(smooth.interval(Qt::XAxis).minValue(), 10.0);
    QCOMPARE(cells.interval(Qt::ZAxis).maxValue(), 7.0);
    cells.add({10, 9, 0});  // a later point replaces the cell
    QCOMPARE(cells.value(10, 0), 9.0);
  }

  void contourSeriesSpreadsLevelsUnlessGiven() {
    Chart chart;
    auto* contour = chart.addContour("Contour");
    auto* grid = chart.addColourGrid("Grid");
    for (int x = 0; x < 3; ++x)
      for (int z = 0; z < 3; ++z) {
        contour->addGridPoint(x, x * z, z);
        grid->addGridPoint(x, x * z, z);
      }
    QCOMPARE(contour->contourLevels().size(), 10);
    QVERIFY(contour->contourLevels().first() > 0);
    QVERIFY(contour->contourLevels().last() < 4);
    contour->setContourLevels({1, 2});
    contour->addGridPoint(3, 9, 3);
    QCOMPARE(contour->contourLevels(), (QList<double>{1, 2}));
    auto* spectrogram = static_cast<QwtPlotSpectrogram*>(contour->item());
    QVERIFY(spectrogram->testDisplayMode(QwtPlotSpectrogram::ContourMode));
    QVERIFY(!spectrogram->testDisplayMode(QwtPlotSpectrogram::ImageMode));
    QCOMPARE(spectrogram->contourPen(1).width(), 2);
    QVERIFY(static_cast<QwtPlotSpectrogram*>(grid->item())->testDisplayMode(QwtPlotSpectrogram::ImageMode));
    grid->clear();
    QVERIFY(grid->gridPoints().isEmpty());
  }

  void repaintNowDrawsWithoutAnEventLoop() {
    Chart chart;
    chart.resize(300, 200);
    auto* red = chart.addFastLine("Red", QColor(255, 0, 0), 3);
    auto* blue = chart.addFastLine("Blue", QColor(0, 0, 255), 3);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    // What the screen shows, without letting the event loop paint first.
    auto screen = [&chart] { return chart.screen()->grabWindow(chart.winId()).toImage(); };
    red->addPoint(0, 0);
    red->addPoint(10, 10);
    chart.repaintNow();
    blue->addPoint(0, 10);
    blue->addPoint(10, 0);
    QVERIFY(countPixels(screen(), qRgb(255, 0, 0)) > 50);
    QCOMPARE(countPixels(screen(), qRgb(0, 0, 255)), 0);
    chart.repaintNow();
    QVERIFY(countPixels(screen(), qRgb(0, 0, 255)) > 50);
    QCOMPARE(chart.axisScaleDiv(QwtPlot::xBottom).upperBound(), 10.0);
  }

  // The plotting area's box: one pixel of the frame's colour all round,
  // the background just inside it.
  void thePlottingAreaHasAOnePixelBorder() {
    Chart chart;
    chart.resize(300, 200);
    QWidget* canvas = chart.canvas();
    const QImage image = canvas->grab().toImage();
    const QRgb frame = canvas->palette().color(QPalette::WindowText).rgb();
    const int w = image.width(), h = image.height();
    for (int x = 0; x < w; ++x) {
      QCOMPARE(image.pixel(x, 0), frame);
      QCOMPARE(image.pixel(x, h - 1), frame);
    }
    for (int y = 0; y < h; ++y) {
      QCOMPARE(image.pixel(0, y), frame);
      QCOMPARE(image.pixel(w - 1, y), frame);
    }
    for (const QPoint& inside : {QPoint(1, 1), QPoint(w - 2, 1), QPoint(1, h - 2), QPoint(w - 2, h - 2)})
      QCOMPARE(image.pixel(inside), qRgb(255, 255, 255));
  }

  void rendersTheThreeFormats() {
    QTemporaryDir dir;
    Chart chart;
    chart.setChartTitle("Rate");
    auto* line = chart.addFastLine("Actual", Qt::red, 2);
    for (int w = 0; w < 50; ++w) line->addPoint(w, w % 7);
    vk::renderChartToFile(chart, dir.filePath("a.png"), QSize(320, 200));
    vk::renderChartToFile(chart, dir.filePath("a.SVG"), QSize(320, 200));
    vk::renderChartToFile(chart, dir.filePath("a.pdf"), QSize(320, 200));
    QImage png(dir.filePath("a.png"));
    QCOMPARE(png.size(), QSize(320, 200));
    QVERIFY(countPixels(png, qRgb(255, 0, 0)) > 50);
    QVERIFY(head(dir.filePath("a.SVG"), 200).contains("<svg"));
    QCOMPARE(head(dir.filePath("a.pdf"), 5), QByteArray("%PDF-"));
  }

  void aFileCarriesTheTitleTheWindowHides() {
    QTemporaryDir dir;
    Chart chart;
    chart.setChartTitle("Hidden title", false);
    chart.setAxisTitles("Week", "Rate (log)");
    chart.addFastLine("Actual", Qt::red, 2)->addPoint(1, 1);
    vk::renderChartToFile(chart, dir.filePath("a.svg"), QSize(320, 200));
    QFile svg(dir.filePath("a.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    const QByteArray text = svg.readAll();
    // Drawn as text, not only named in the file's metadata.
    QVERIFY(text.count("Hidden title") >= 2);
    QVERIFY(text.contains("Rate (log)"));
    QVERIFY(!chart.titleShown());
    QVERIFY(chart.title().text().isEmpty());
  }

  // A title wider than its chart runs onto more lines instead of losing
  // both its ends; a short one keeps its one line.
  void aLongTitleWrapsWithinItsChart() {
    Chart chart;
    chart.setChartTitle("Short");
    chart.resize(300, 240);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    QCoreApplication::processEvents();
    const int oneLine = chart.titleLabel()->height();
    chart.setChartTitle("Each run is the median over its paths; median and 10-90 % across 46 runs");
    QCoreApplication::processEvents();
    QVERIFY(chart.titleLabel()->width() <= chart.width());
    QVERIFY2(chart.titleLabel()->height() >= 2 * oneLine - 4,
             qPrintable(QString("%1 against %2").arg(chart.titleLabel()->height()).arg(oneLine)));
  }

  // A long name is shortened in its middle to the legend's column, whole in
  // the tooltip, and the chart's files leave the caption out.
  void legendCaptionFitsItsColumnAndStaysOffFiles() {
    QTemporaryDir dir;
    Chart chart;
    chart.setLegend(vk::LegendPlace::Right, false, 20);
    chart.addFastLine("Simulation", Qt::blue, 2)->addPoint(1, 1);
    chart.resize(400, 200);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    const QString name = "/home/someone/studies/a-long-result-directory-name-ending-in-run-7";
    chart.setLegendCaption("Directory:\n" + name);
    vk::renderChartToFile(chart, dir.filePath("with.png"), QSize(400, 200));
    auto* caption = chart.findChild<QLabel*>("LegendCaption");
    QVERIFY(caption && caption->isVisible());
    QCOMPARE(chart.legendCaption(), "Directory:\n" + name);
    QCOMPARE(caption->toolTip(), chart.legendCaption());
    const QStringList lines = caption->text().split('\n');
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], QString("Directory:"));
    QVERIFY(lines[1].startsWith("/home") && lines[1].endsWith("run-7") && lines[1].size() < name.size());
    QVERIFY(caption->fontMetrics().horizontalAdvance(lines[1]) <= caption->width());
    QVERIFY(chart.rect().contains(caption->geometry()));
    chart.setLegendCaption(QString());
    QVERIFY(!caption->isVisible());
    vk::renderChartToFile(chart, dir.filePath("without.png"), QSize(400, 200));
    QCOMPARE(QImage(dir.filePath("with.png")), QImage(dir.filePath("without.png")));
  }

  void refusesUnknownFormatsAndUnwritablePlaces() {
    QTemporaryDir dir;
    Chart chart;
    try {
      vk::renderChartToFile(chart, dir.filePath("a.gif"), QSize(100, 100));
      QFAIL("a .gif was written");
    } catch (const vk::RunError& e) {
      QVERIFY(QString(e.what()).contains("a.gif"));
      QVERIFY(QString(e.what()).contains("unknown format"));
    }
    QVERIFY(!QFile::exists(dir.filePath("a.gif")));
    try {
      vk::renderChartToFile(chart, dir.filePath("missing/a.png"), QSize(100, 100));
      QFAIL("a file in a missing folder was written");
    } catch (const vk::RunError& e) {
      QVERIFY(QString(e.what()).contains("missing/a.png"));
    }
  }

  void exportDialogWritesTheChosenFormatAndSize() {
    QTemporaryDir dir;
    Chart chart;
    chart.setChartTitle("Supply & Demand");
    chart.addFastLine("Line", Qt::red, 2)->addPoint(1, 1);
    vk::ChartExportDialog dialog(nullptr, chart);
    QVERIFY(dialog.fileEdit()->text().endsWith("supply-demand.png"));
    dialog.fileEdit()->setText(dir.filePath("chart.png"));
    dialog.formatBox()->setCurrentIndex(dialog.formatBox()->findData("svg"));
    QCOMPARE(dialog.fileEdit()->text(), dir.filePath("chart.svg"));
    dialog.widthBox()->setValue(400);
    dialog.heightBox()->setValue(300);
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(head(dir.filePath("chart.svg"), 600).contains("viewBox=\"0 0 400 300\""));
    QVERIFY(!QFile::exists(dir.filePath("chart.png")));
  }
};

QTEST_MAIN(ChartTest)
#include "ChartTest.moc"

// The charts of sweep plot and sweep sensitivity: what their titles say,
// where their axes end, and which indices they draw.
#include <QtTest>

#include <qwt_plot_barchart.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_intervalcurve.h>
#include <qwt_plot_marker.h>
#include <qwt_scale_div.h>

#include "chart/Chart.h"
#include "chart/SensitivityChart.h"
#include "chart/SweepChart.h"

using vk::Chart;

namespace {

template <class Item>
QList<Item*> itemsOf(const Chart& chart, int rtti) {
  QList<Item*> items;
  for (QwtPlotItem* item : chart.itemList(rtti)) items.append(static_cast<Item*>(item));
  return items;
}

vk::IndexEstimate estimate(double value, double low, double high) { return {value, low, high}; }

}  // namespace

class ExperimentChartsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void sweepChartCarriesItsCaptionAndEndsAtTheDesignsValues() {
    vk::SweepSummary summary;
    summary.xName = "popsize";
    summary.metric = "rmse_ratio";
    summary.median = {{50, 1}, {200, 2}};
    summary.low = summary.median;
    summary.high = summary.median;
    summary.xMin = 50;
    summary.xMax = 200;
    summary.caption =
        "Each run is the median over its paths; median and 10-90 % across 6 runs; 2 pending or "
        "failed runs left out";
    Chart chart;
    vk::SweepChart(chart).show(summary);
    QVERIFY(chart.chartTitle().endsWith("\n" + QString::fromStdString(summary.caption)));
    QCOMPARE(chart.axisScaleDiv(QwtPlot::xBottom).lowerBound(), 50.0);
    QCOMPARE(chart.axisScaleDiv(QwtPlot::xBottom).upperBound(), 200.0);
  }

  // A sweep under way is drawn again at every run that ends: the same three
  // lines hold the new points, and the caption follows.
  void sweepChartShownAgainRedrawsItsLinesInPlace() {
    vk::SweepSummary summary;
    summary.xName = "popsize";
    summary.metric = "rmse_sim";
    summary.median = {{50, 1}, {200, 2}};
    summary.low = summary.median;
    summary.high = summary.median;
    summary.caption = "1 pending or failed run left out";
    Chart chart;
    vk::SweepChart sweep(chart);
    sweep.show(summary);
    summary.median = {{50, 3}, {100, 4}, {200, 5}};
    summary.caption = "0 pending or failed runs left out";
    sweep.show(summary);
    const auto curves = itemsOf<QwtPlotCurve>(chart, QwtPlotItem::Rtti_PlotCurve);
    QCOMPARE(curves.size(), 3);
    QCOMPARE(static_cast<int>(curves[2]->dataSize()), 3);
    QCOMPARE(curves[2]->sample(1), QPointF(100, 4));
    QCOMPARE(static_cast<int>(curves[0]->dataSize()), 2);
    QVERIFY(chart.chartTitle().endsWith("\n0 pending or failed runs left out"));
  }

  // A bar and an interval per defined index, each parameter named; an
  // undefined index draws nothing.
  void sensitivityChartDrawsEachDefinedIndexWithItsInterval() {
    vk::SensitivityReport report;
    report.design = "saltelli";
    report.metric = "rmse_ratio";
    report.names = {"popsize", "gap2"};
    report.sobol.resize(2);
    report.sobol[0].first = estimate(0.3, 0.2, 0.4);
    report.sobol[0].total = estimate(0.6, 0.5, 0.7);
    report.sobol[1].total = estimate(0.1, 0.05, 0.15);
    Chart chart;
    vk::SensitivityChart(chart).show(report);
    const auto bars = itemsOf<QwtPlotBarChart>(chart, QwtPlotItem::Rtti_PlotBarChart);
    QCOMPARE(bars.size(), 2);
    QCOMPARE(static_cast<int>(bars[0]->dataSize()), 1);
    QCOMPARE(static_cast<int>(bars[1]->dataSize()), 2);
    const auto intervals = itemsOf<QwtPlotIntervalCurve>(chart, QwtPlotItem::Rtti_PlotIntervalCurve);
    QCOMPARE(intervals.size(), 2);
    QCOMPARE(intervals[1]->sample(0).interval.minValue(), 0.5);
    QCOMPARE(intervals[1]->sample(0).interval.maxValue(), 0.7);
    QCOMPARE(intervals[1]->style(), QwtPlotIntervalCurve::NoCurve);
    const auto labels = itemsOf<QwtPlotMarker>(chart, QwtPlotItem::Rtti_PlotMarker);
    QCOMPARE(labels.size(), 2);
    QCOMPARE(labels[1]->label().text(), QString("gap2"));
    QVERIFY(chart.chartTitle().contains("rmse_ratio"));
  }

  void morrisChartScattersMuStarAgainstSigma() {
    vk::SensitivityReport report;
    report.design = "morris";
    report.metric = "facts_hill";
    report.names = {"delta", "ndiv"};
    report.morris.resize(2);
    report.morris[0].muStar = estimate(2, 1, 3);
    report.morris[0].sigma = estimate(0.5, 0.2, 0.9);
    report.morris[1].muStar = estimate(0.1, 0, 0.2);
    report.notes = {"facts_hill is the same at every point"};
    Chart chart;
    vk::SensitivityChart(chart).show(report);
    const auto curves = itemsOf<QwtPlotCurve>(chart, QwtPlotItem::Rtti_PlotCurve);
    QCOMPARE(curves.size(), 1);
    QCOMPARE(curves[0]->style(), QwtPlotCurve::NoCurve);
    QCOMPARE(curves[0]->sample(0), QPointF(2, 0.5));
    QCOMPARE(curves[0]->sample(1), QPointF(0.1, 0));
    QCOMPARE(itemsOf<QwtPlotMarker>(chart, QwtPlotItem::Rtti_PlotMarker)[0]->label().text(), QString("delta"));
    QCOMPARE(chart.note(), QString("facts_hill is the same at every point"));
  }
};

QTEST_MAIN(ExperimentChartsTest)
#include "ExperimentChartsTest.moc"

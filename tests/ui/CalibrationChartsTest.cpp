// The charts of a calibration: which candidates the loss chart draws and
// its best so far, each parameter as a share of its range with the
// estimate's interval, each moment in units of its band, and a view shown
// again as its calibration goes on.
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_intervalcurve.h>
#include <qwt_plot_marker.h>

#include <cmath>
#include <limits>

#include "calibration/CalibrationOutputs.h"
#include "chart/CalibrationView.h"
#include "chart/Chart.h"

using vk::Chart;

namespace {

QwtPlotCurve* curveNamed(const Chart& chart, const QString& title) {
  for (QwtPlotItem* item : chart.itemList(QwtPlotItem::Rtti_PlotCurve))
    if (item->title().text() == title) return static_cast<QwtPlotCurve*>(item);
  return nullptr;
}

QVector<QPointF> pointsOf(const QwtPlotCurve* curve) {
  QVector<QPointF> points;
  for (size_t i = 0; curve && i < curve->dataSize(); ++i) points.append(curve->sample(static_cast<int>(i)));
  return points;
}

vk::Evaluation evaluation(int number, const char* step, std::vector<double> values, double loss) {
  vk::Evaluation e;
  e.evaluation = number;
  e.step = step;
  e.values = std::move(values);
  e.loss = loss;
  e.done = std::isfinite(loss) || std::isnan(loss);
  return e;
}

// Two parameters, a failed candidate, two searches and the final batch.
vk::CalibrationOutputs running() {
  const double inf = std::numeric_limits<double>::infinity();
  vk::CalibrationOutputs out;
  out.parameters = {{"delta", 0.002, 0.008}, {"popsize", 20, 220}};
  out.moments = {"std", "acf_r_1"};
  out.evaluations = {evaluation(0, "start", {0.005, 100}, std::nan("")), evaluation(1, "search1", {0.008, 20}, 8),
                     evaluation(2, "search1", {0.003, 70}, inf),         evaluation(3, "search1", {0.004, 120}, 2),
                     evaluation(4, "weights", {0.004, 120}, 2),          evaluation(5, "search2", {0.0041, 121}, 5),
                     evaluation(6, "search2", {0.0042, 122}, 4)};
  return out;
}

vk::CalibrationOutputs finished() {
  vk::CalibrationOutputs out = running();
  out.evaluations.push_back(evaluation(7, "final", {0.004, 120}, 3));
  // A longer step of the Jacobian: its first point is no estimate.
  vk::Evaluation longer = evaluation(8, "final", {0.005, 120}, 6);
  longer.generation = 1;
  out.evaluations.push_back(longer);
  out.finished = true;
  out.estimate = {{"delta", 0.004, 0.0005, 0.003, 0.005, true, 0.005},
                  {"popsize", 120, std::nan(""), std::nan(""), std::nan(""), false, 100}};
  out.fit = {{"std", 0.014, 0.016, 0.02, 0.011, 0.017, -0.5},
             {"acf_r_1", -0.003, 0.1, 0.2, std::nan(""), std::nan(""), -1}};
  out.loss = 3;
  return out;
}

}  // namespace

class CalibrationChartsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void theLossChartDrawsEachSearchAndItsOwnBest() {
    vk::CalibrationPanel panel;
    vk::CalibrationView(panel).show(finished());
    const Chart& chart = *panel.LossChart;
    QCOMPARE(pointsOf(curveNamed(chart, "First search")), (QVector<QPointF>{{1, 8}, {3, 2}}));
    QCOMPARE(pointsOf(curveNamed(chart, "Second search")), (QVector<QPointF>{{5, 5}, {6, 4}}));
    // The failed candidate keeps the best; the second search starts anew.
    QCOMPARE(pointsOf(curveNamed(chart, "Best so far")), (QVector<QPointF>{{1, 8}, {2, 8}, {3, 2}, {5, 5}, {6, 4}}));
    QCOMPARE(pointsOf(curveNamed(chart, "Estimate")), (QVector<QPointF>{{7, 3}}));
    QVERIFY2(chart.chartTitle().contains("1 failed candidate (loss +inf) not drawn"), qPrintable(chart.chartTitle()));
  }

  void theParametersAreSharesOfTheirRangeWithTheEstimatesInterval() {
    vk::CalibrationPanel panel;
    vk::CalibrationView(panel).show(finished());
    const Chart& chart = *panel.ParameterChart;
    const QVector<QPointF> popsize = pointsOf(curveNamed(chart, QString::fromUtf8("popsize (20\u2013220)")));
    QCOMPARE(popsize.size(), 9);
    QCOMPARE(popsize[1], QPointF(1, 0));
    QCOMPARE(popsize[3], QPointF(3, 0.5));
    const auto intervals = chart.itemList(QwtPlotItem::Rtti_PlotIntervalCurve);
    QCOMPARE(intervals.size(), 1);
    // Only delta is identified: one interval, a third to half of its range.
    const auto* band = static_cast<QwtPlotIntervalCurve*>(intervals[0]);
    QCOMPARE(static_cast<int>(band->dataSize()), 1);
    QVERIFY(std::abs(band->sample(0).interval.minValue() - 1.0 / 6) < 1e-12);
    QVERIFY(std::abs(band->sample(0).interval.maxValue() - 0.5) < 1e-12);
    QVERIFY2(chart.chartTitle().contains("popsize 120 not identified"), qPrintable(chart.chartTitle()));
  }

  // std's band 0.011..0.017 has the half width 0.003 around the actual
  // 0.014: fitted 0.016 stands at 2/3, the start 0.02 at 2. acf_r_1 has no
  // band and is left out, named.
  void eachMomentIsMeasuredInHalfItsBand() {
    vk::CalibrationPanel panel;
    vk::CalibrationView(panel).show(finished());
    const Chart& chart = *panel.MomentChart;
    const QVector<QPointF> fitted = pointsOf(curveNamed(chart, "Fitted at the estimate"));
    QCOMPARE(fitted.size(), 1);
    QVERIFY(std::abs(fitted[0].y() - 2.0 / 3) < 1e-9);
    QVERIFY(std::abs(pointsOf(curveNamed(chart, "At the start"))[0].y() - 2) < 1e-9);
    QCOMPARE(pointsOf(curveNamed(chart, "Actual")), (QVector<QPointF>{{1, 0}}));
    QVERIFY2(chart.note().contains("acf_r_1"), qPrintable(chart.note()));
  }

  // The moments chart says what its marks are wherever its plotting area is
  // in view, in a scroll area lower than the three charts at their least:
  // scrolled down just far enough to show the marks, every legend entry shows
  // too.
  void theMomentsLegendIsInViewWithItsMarks() {
    auto* panel = new vk::CalibrationPanel;
    vk::CalibrationView(*panel).show(finished());
    QScrollArea area;
    area.setWidget(panel);
    area.setWidgetResizable(true);
    area.resize(1000, panel->minimumSizeHint().height() * 3 / 4);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    QVERIFY(panel->height() > area.viewport()->height());
    QWidget* canvas = panel->MomentChart->canvas();
    area.ensureWidgetVisible(canvas, 0, 0);
    QCoreApplication::processEvents();
    QCOMPARE(canvas->visibleRegion().boundingRect(), canvas->rect());
    const auto entries = panel->MomentChart->legend()->findChildren<QwtLegendLabel*>();
    QCOMPARE(entries.size(), 4);
    for (const QwtLegendLabel* entry : entries)
      QVERIFY2(entry->visibleRegion().boundingRect() == entry->rect(), qPrintable(entry->data().title().text()));
  }

  // A window shows the folder again as it grows: nothing of the earlier
  // showing stays, and the fit appears once the report is there.
  void showingAgainReplacesWhatWasShown() {
    vk::CalibrationPanel panel;
    vk::CalibrationView view(panel);
    view.show(running());
    QVERIFY(panel.MomentChart->note().contains("once the calibration has finished"));
    QVERIFY(panel.ParameterChart->itemList(QwtPlotItem::Rtti_PlotIntervalCurve).isEmpty());
    view.show(finished());
    view.show(finished());
    QCOMPARE(panel.ParameterChart->itemList(QwtPlotItem::Rtti_PlotIntervalCurve).size(), 1);
    QCOMPARE(panel.MomentChart->itemList(QwtPlotItem::Rtti_PlotMarker).size(), 1);
    QCOMPARE(pointsOf(curveNamed(*panel.LossChart, "First search")).size(), 2);
    QCOMPARE(panel.LossChart->itemList(QwtPlotItem::Rtti_PlotCurve).size(), 4);
    view.show(running());
    QVERIFY(panel.MomentChart->itemList(QwtPlotItem::Rtti_PlotMarker).isEmpty());
    QCOMPARE(panel.ParameterChart->chartTitle(), QString("Parameters by evaluation"));
  }
};

QTEST_MAIN(CalibrationChartsTest)
#include "CalibrationChartsTest.moc"

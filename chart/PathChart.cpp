#include "chart/PathChart.h"

#include <qwt_plot_item.h>

#include <utility>

#include "analysis/PathSummary.h"
#include "chart/Chart.h"

namespace vk {

namespace {

void fill(LineSeries* line, const PointList& points) {
  line->clear();
  for (const ChartPoint& p : points) line->addPoint(p.x, p.y);
}

}  // namespace

PathChart::PathChart(Chart& c) : chart(c) {
  chart.setChartTitle("Simulation price");
  chart.setLegend(LegendPlace::Bottom);
  chart.setAxisTitles("Week", "Rate (log)");
  meanLine = chart.addFastLine("Mean", Qt::blue, 2);
  plusSdLine = chart.addFastLine("+SD", Qt::blue, 1);
  minusSdLine = chart.addFastLine("-SD", Qt::blue, 1);
  actualLine = chart.addFastLine("Actual", Qt::red, 2);
  const QColor other(0, 140, 70);
  comparedMeanLine = chart.addFastLine(QString(), other, 2);
  comparedPlusSdLine = chart.addFastLine(QString(), other, 1);
  comparedMinusSdLine = chart.addFastLine(QString(), other, 1);
  for (LineSeries* line : {comparedMeanLine, comparedPlusSdLine, comparedMinusSdLine}) {
    line->item()->setVisible(false);
    setInLegend(line, false);
  }
}

// The plot is told itself: an item taken out of the legend does not say so.
void PathChart::setInLegend(LineSeries* line, bool shown) {
  line->item()->setItemAttribute(QwtPlotItem::Legend, shown);
  chart.updateLegend(line->item());
}

void PathChart::showCompared(const PathSummarySeries* compared, const QString& name) {
  const std::pair<LineSeries*, const PointList*> lines[] = {
      {comparedMeanLine, compared ? &compared->mean : nullptr},
      {comparedPlusSdLine, compared ? &compared->plusSd : nullptr},
      {comparedMinusSdLine, compared ? &compared->minusSd : nullptr}};
  for (const auto& [line, points] : lines) {
    if (points)
      fill(line, *points);
    else
      line->clear();
    line->item()->setVisible(compared != nullptr);
    setInLegend(line, false);
  }
  comparedMeanLine->item()->setTitle(QString::fromUtf8("Mean \u00b1 SD, ") + name);
  setInLegend(comparedMeanLine, compared != nullptr);
  chart.repaintNow();
}

void PathChart::show(const PathSummarySeries& summary) {
  fill(meanLine, summary.mean);
  fill(plusSdLine, summary.plusSd);
  fill(minusSdLine, summary.minusSd);
  fill(actualLine, summary.actual);
  chart.repaintNow();
}

}  // namespace vk

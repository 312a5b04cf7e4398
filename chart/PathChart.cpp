#include "chart/PathChart.h"

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
}

void PathChart::show(const PathSummarySeries& summary) {
  fill(meanLine, summary.mean);
  fill(plusSdLine, summary.plusSd);
  fill(minusSdLine, summary.minusSd);
  fill(actualLine, summary.actual);
  chart.repaintNow();
}

}  // namespace vk

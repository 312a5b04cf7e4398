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
  Series1 = chart.addFastLine("Mean", Qt::blue, 2);
  Series2 = chart.addFastLine("+SD", Qt::blue, 1);
  Series3 = chart.addFastLine("-SD", Qt::blue, 1);
  Series4 = chart.addFastLine("Actual", Qt::red, 2);
}

void PathChart::show(const PathSummarySeries& summary) {
  fill(Series1, summary.mean);
  fill(Series2, summary.plusSd);
  fill(Series3, summary.minusSd);
  fill(Series4, summary.actual);
  chart.repaintNow();
}

}  // namespace vk

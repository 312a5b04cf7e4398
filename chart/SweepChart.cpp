#include "chart/SweepChart.h"

#include <QColor>

#include "chart/Chart.h"

namespace vk {

SweepChart::SweepChart(Chart& c) : chart(c) {
  chart.setLegend(LegendPlace::Bottom);
  chart.setGridLines(true, true);
}

void SweepChart::show(const SweepSummary& summary) {
  const QString metric = QString::fromStdString(summary.metric);
  const QString x = QString::fromStdString(summary.xName);
  const QString caption = "\n" + QString::fromStdString(summary.caption);
  chart.setAxisTitle(QwtPlot::xBottom, x);
  // The axes end at the design's values, not at the cells' or the scale's rounder edges.
  if (summary.xMax > summary.xMin) chart.fixBottomAxis(summary.xMin, summary.xMax);
  if (summary.yName.empty()) {
    chart.setChartTitle(metric + " over " + x + ": median and 10-90 %" + caption);
    chart.setAxisTitle(QwtPlot::yLeft, metric);
    LineSeries* low = chart.addFastLine("10 %", QColor(120, 160, 220), 1);
    LineSeries* high = chart.addFastLine("90 %", QColor(120, 160, 220), 1);
    LineSeries* median = chart.addFastLine("Median", QColor(0, 0, 160), 2);
    for (const ChartPoint& p : summary.low) low->addPoint(p.x, p.y);
    for (const ChartPoint& p : summary.high) high->addPoint(p.x, p.y);
    for (const ChartPoint& p : summary.median) median->addPoint(p.x, p.y);
  } else {
    const QString y = QString::fromStdString(summary.yName);
    chart.setChartTitle("Median " + metric + " over " + x + " and " + y + caption);
    if (summary.yMax > summary.yMin) chart.fixLeftAxis(summary.yMin, summary.yMax);
    chart.setAxisTitle(QwtPlot::yLeft, y);
    chart.setGridLines(false, false);
    GridSeries* grid = chart.addColourGrid("Median " + metric);
    for (const SweepCell& cell : summary.cells) grid->addGridPoint(cell.x, cell.median, cell.y);
    chart.showColourScale(grid, metric);
  }
  chart.repaintNow();
}

}  // namespace vk

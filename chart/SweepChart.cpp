#include "chart/SweepChart.h"

#include <QColor>

#include "chart/Chart.h"

namespace vk {

SweepChart::SweepChart(Chart& c) : chart(c) {
  chart.setLegend(LegendPlace::Bottom);
  chart.setGridLines(true, true);
}

void SweepChart::show(const SweepSummary& summary) {
  chart.setAxisTitle(QwtPlot::xBottom, QString::fromStdString(summary.xName));
  // The axes end at the design's values, not at the cells' or the scale's rounder edges.
  if (summary.xMax > summary.xMin) chart.fixBottomAxis(summary.xMin, summary.xMax);
  if (summary.yName.empty())
    showOverOne(summary);
  else
    showOverTwo(summary);
  chart.repaintNow();
}

void SweepChart::showOverOne(const SweepSummary& summary) {
  const QString metric = QString::fromStdString(summary.metric);
  chart.setChartTitle(metric + " over " + QString::fromStdString(summary.xName) + ": median and 10-90 %\n" +
                      QString::fromStdString(summary.caption));
  chart.setAxisTitle(QwtPlot::yLeft, metric);
  if (!median_) {
    low_ = chart.addFastLine("10 %", QColor(120, 160, 220), 1);
    high_ = chart.addFastLine("90 %", QColor(120, 160, 220), 1);
    median_ = chart.addFastLine("Median", QColor(0, 0, 160), 2);
  }
  for (auto [series, points] : {std::pair{low_, &summary.low}, {high_, &summary.high}, {median_, &summary.median}}) {
    series->clear();
    for (const ChartPoint& p : *points) series->addPoint(p.x, p.y);
  }
}

void SweepChart::showOverTwo(const SweepSummary& summary) {
  const QString metric = QString::fromStdString(summary.metric);
  const QString y = QString::fromStdString(summary.yName);
  chart.setChartTitle("Median " + metric + " over " + QString::fromStdString(summary.xName) + " and " + y + "\n" +
                      QString::fromStdString(summary.caption));
  if (summary.yMax > summary.yMin) chart.fixLeftAxis(summary.yMin, summary.yMax);
  chart.setAxisTitle(QwtPlot::yLeft, y);
  chart.setGridLines(false, false);
  if (!grid_) grid_ = chart.addColourGrid("Median " + metric);
  grid_->clear();
  for (const SweepCell& cell : summary.cells) grid_->addGridPoint(cell.x, cell.median, cell.y);
  chart.showColourScale(grid_, metric);
}

}  // namespace vk

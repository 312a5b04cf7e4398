#include "chart/ContourChart.h"

#include <algorithm>

#include "chart/Chart.h"

namespace vk {

ContourChart::ContourChart(Chart& c) : chart(c) {
  chart.setChartTitle("Simulation paths");
  chart.setLegend(LegendPlace::Bottom, true);
  // The grid is laid out in bin numbers; the left axis reads them as rates.
  chart.setAxisTitles("Week", "Rate (log)");
  chart.setGridLines(false, false);
  gridSeries = chart.addColourGrid("Grid");
  contourSeries = chart.addContour("Contour", 2);
  actualPathLine = chart.addFastLine("Actual path", Qt::red, 2);
  chart.setSeriesVisible(gridSeries, false);
}

void ContourChart::show(const ContourSeries& summary) {
  gridSeries->clear();
  contourSeries->clear();
  actualPathLine->clear();
  for (const GridCount& p : summary.grid) {
    gridSeries->addGridPoint(p.week, p.count, p.bin);
    contourSeries->addGridPoint(p.week, p.count, p.bin);
  }
  // Every path adds its copy of the actual path, each in ascending weeks.
  // Added in the stable order of their weeks they give the line the same
  // points as one by one, without inserting each copy into the middle.
  PointList actual = summary.actualPath;
  std::stable_sort(actual.begin(), actual.end(), [](const ChartPoint& a, const ChartPoint& b) { return a.x < b.x; });
  for (const ChartPoint& p : actual) actualPathLine->addPoint(p.x, p.y);
  // Bin g is drawn at g; its centre is the rate minY + h/2 + g h.
  // A Plot that stopped before the bins were known leaves no rate scale.
  // The axis spans the bounds, bin 0 from its lower edge at -0.5 to the top
  // bin's upper edge, whatever the actual path reaches beyond them.
  if (summary.binWidth > 0) {
    chart.labelLeftAxis(summary.minY + summary.binWidth / 2, summary.binWidth);
    chart.fixLeftAxis(-0.5, (summary.maxY - summary.minY) / summary.binWidth - 0.5);
  } else {
    chart.labelLeftAxis(0, 1);
    chart.releaseLeftAxis();
  }
  // The palette spans the counts the grid holds, as the colour scale says.
  int minCount = 0, maxCount = 0;
  if (!summary.grid.empty()) minCount = maxCount = summary.grid.front().count;
  for (const GridCount& p : summary.grid) {
    minCount = std::min(minCount, p.count);
    maxCount = std::max(maxCount, p.count);
  }
  chart.showColourScale("Paths in bin", minCount, maxCount);
  chart.repaintNow();
}

}  // namespace vk

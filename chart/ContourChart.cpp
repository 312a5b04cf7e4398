#include "chart/ContourChart.h"

#include <algorithm>

#include "chart/Chart.h"

namespace vk {

ContourChart::ContourChart(Chart& c) : chart(c) {
  chart.setChartTitle("Simulation paths");
  chart.setLegend(LegendPlace::Bottom, true);
  chart.hideLeftAxis();
  chart.setGridLines(false, false);
  Series1 = chart.addColourGrid("Grid");
  Series3 = chart.addContour("Contour", 2);
  Series2 = chart.addFastLine("Actual path", Qt::red, 2);
  chart.setSeriesVisible(Series1, false);
}

void ContourChart::show(const ContourSeries& summary) {
  Series1->clear();
  Series3->clear();
  Series2->clear();
  for (const GridCount& p : summary.grid) {
    Series1->addGridPoint(p.week, p.count, p.bin);
    Series3->addGridPoint(p.week, p.count, p.bin);
  }
  // Every path adds its copy of the actual path, each in ascending weeks.
  // Added in the stable order of their weeks they give the line the same
  // points as one by one, without inserting each copy into the middle.
  PointList actual = summary.actualPath;
  std::stable_sort(actual.begin(), actual.end(),
                   [](const ChartPoint& a, const ChartPoint& b) { return a.x < b.x; });
  for (const ChartPoint& p : actual) Series2->addPoint(p.x, p.y);
  chart.repaintNow();
}

}  // namespace vk

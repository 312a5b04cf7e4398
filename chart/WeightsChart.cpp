#include "chart/WeightsChart.h"

#include <optional>

#include "chart/Chart.h"

namespace vk {

namespace {

// The colour of each weight's line; the fourteenth takes the chart's next
// free palette colour.
const std::array<std::optional<QColor>, kPlottedWeights> kWeightColours = {
    QColor(255, 0, 0),     QColor(0, 128, 0),   QColor(255, 255, 0), QColor(0, 0, 255), QColor(128, 128, 128),
    QColor(255, 0, 255),   QColor(0, 128, 128), QColor(0, 0, 128),   QColor(128, 0, 0), QColor(0, 255, 0),
    QColor(128, 128, 0),   QColor(128, 0, 128), QColor(0, 255, 255), std::nullopt,      QColor(192, 220, 192),
    QColor(166, 202, 240), QColor(255, 128, 64)};

}  // namespace

WeightsChart::WeightsChart(Chart& c) : chart(c) {
  chart.setChartTitle("Average weights");
  chart.setLegend(LegendPlace::Bottom, true);
  chart.setAxisTitles("Week", "Average weight");
  chart.fixLeftAxis(-3, 3, 1);
  for (int j = 0; j < kPlottedWeights; ++j) {
    const QColor colour = kWeightColours[j] ? *kWeightColours[j] : chart.nextFreeColour();
    Series[j] = chart.addFastLine(QString::number(j + 1), colour, 2);
  }
}

void WeightsChart::show(const WeightsSeries& summary) {
  for (int j = 0; j < kPlottedWeights; ++j) {
    Series[j]->clear();
    for (const ChartPoint& p : summary.weights[j]) Series[j]->addPoint(p.x, p.y);
  }
  chart.repaintNow();
}

}  // namespace vk

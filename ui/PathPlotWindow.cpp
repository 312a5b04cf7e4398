#include "ui/PathPlotWindow.h"

#include "analysis/PathSummary.h"
#include "chart/Chart.h"

namespace vk {

PathPlotWindow::PathPlotWindow(QWidget* parent, UserPrompts* prompts)
    : ResultFrame("Path plot", kRatePrefix, "BitBtn1", prompts, parent), chart(new Chart), view(*chart) {
  setObjectName("PathForm");
  chart->setObjectName("Chart1");
  placeChart(chart);
}

void PathPlotWindow::plotSummary() {
  summariseInto<PathSummarySeries>(view, [this](PathSummarySeries& s) { summarisePaths(directory(), s); });
}

}  // namespace vk

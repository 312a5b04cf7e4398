#include "ui/WeightsPlotWindow.h"

#include "chart/Chart.h"

namespace vk {

WeightsPlotWindow::WeightsPlotWindow(QWidget* parent, UserPrompts* prompts)
    : ResultFrame("Weights plot", kWeightPrefix, "CloseBtn", prompts, parent), chart(new Chart), view(*chart) {
  setObjectName("WPlotForm");
  chart->setObjectName("WPlotChart");
  placeChart(chart);
}

void WeightsPlotWindow::plotSummary() {
  summariseInto<WeightsSeries>(view, [this](WeightsSeries& s) { summariseWeights(directory(), s); });
}

}  // namespace vk

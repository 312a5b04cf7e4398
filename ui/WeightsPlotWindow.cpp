#include "ui/WeightsPlotWindow.h"

#include "chart/Chart.h"

namespace vk {

TWPlotForm::TWPlotForm(QWidget* parent, UserPrompts* prompts)
    : ResultFrame("Weights plot", kWeightPrefix, "CloseBtn", prompts, parent),
      WPlotChart(new Chart),
      view(*WPlotChart) {
  setObjectName("WPlotForm");
  WPlotChart->setObjectName("WPlotChart");
  placeChart(WPlotChart);
}

void TWPlotForm::plotSummary() {
  summariseInto<WeightsSeries>(view, [this](WeightsSeries& s) { summariseWeights(directory(), s); });
}

}  // namespace vk

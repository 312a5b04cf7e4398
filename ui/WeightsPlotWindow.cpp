#include "ui/WeightsPlotWindow.h"

#include <QLabel>
#include <QVBoxLayout>

#include "chart/Chart.h"

namespace vk {

WeightsPlotWindow::WeightsPlotWindow(QWidget* parent, UserPrompts* prompts)
    : ResultFrame("Weights plot", kWeightPrefix, "CloseBtn", prompts, parent), chart(new Chart), view(*chart) {
  setObjectName("WPlotForm");
  chart->setObjectName("WPlotChart");
  placeChart(chart);
  // A run has up to 100 weights; the chart would be unreadable with them all.
  drawnNote =
      new QLabel(QString("Drawn: weights 1 to %1. weight.txt holds every weight of the run.").arg(kPlottedWeights));
  drawnNote->setObjectName("DrawnNote");
  drawnNote->setWordWrap(true);
  controlColumn()->addWidget(drawnNote);
}

void WeightsPlotWindow::plotSummary() {
  summariseInto<WeightsSeries>(view, [this](WeightsSeries& s) { summariseWeights(directory(), s); });
}

}  // namespace vk

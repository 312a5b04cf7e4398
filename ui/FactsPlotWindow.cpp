#include "ui/FactsPlotWindow.h"

#include "chart/ChartExport.h"

namespace vk {

FactsPlotWindow::FactsPlotWindow(QWidget* parent, UserPrompts* prompts)
    : ResultFrame("Stylized facts", kRatePrefix, "CloseBtn", prompts, parent),
      factsPanel(new FactsPanel),
      view(*factsPanel) {
  setObjectName("FactsForm");
  placeCharts(factsPanel, [this] { exportDrawing(this, factsPanel->drawing(), factsPanel->size()); });
  // Four charts need more room than the other windows' one.
  resize(1000, 700);
}

void FactsPlotWindow::plotSummary() {
  summariseInto<FactsSeries>(view, [this](FactsSeries& s) { summariseFacts(directory(), std::string(), s); });
}

}  // namespace vk

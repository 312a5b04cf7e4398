#include "ui/FactsPlotWindow.h"

#include "chart/ChartExport.h"

namespace vk {

TFactsForm::TFactsForm(QWidget* parent, UserPrompts* prompts)
    : ResultFrame("Stylized facts", kRatePrefix, "CloseBtn", prompts, parent), Charts(new FactsPanel), view(*Charts) {
  setObjectName("FactsForm");
  placeCharts(Charts, [this] { exportDrawing(this, Charts->drawing(), Charts->size()); });
  // Four charts need more room than the other windows' one.
  resize(1000, 700);
}

void TFactsForm::plotSummary() {
  summariseInto<FactsSeries>(view, [this](FactsSeries& s) { summariseFacts(directory(), std::string(), s); });
}

}  // namespace vk

#include "ui/FactsPlotWindow.h"

#include "analysis/PathList.h"
#include "chart/ChartExport.h"
#include "experiment/RunFolder.h"

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
  std::vector<int> paths;
  for (const ResultFileEntry& entry : entries())
    if (const std::optional<int> path = pathNumberOfFile(entry.name, kRatePrefix); entry.checked && path)
      paths.push_back(*path);
  const std::string table = factsSummaryFile(directory(), paths);
  summariseInto<FactsSeries>(view, [&](FactsSeries& s) { summariseFacts(directory(), table, s); });
}

}  // namespace vk

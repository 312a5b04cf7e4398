#include "ui/PathPlotWindow.h"

#include "analysis/PathSummary.h"
#include "chart/Chart.h"

namespace vk {

TPathForm::TPathForm(QWidget* parent, UserPrompts* prompts)
    : ResultFrame("Path plot", kRatePrefix, "BitBtn1", prompts, parent), Chart1(new Chart), view(*Chart1) {
  setObjectName("PathForm");
  Chart1->setObjectName("Chart1");
  placeChart(Chart1);
}

void TPathForm::plotSummary() {
  summariseInto<PathSummarySeries>(view, [this](PathSummarySeries& s) { summarisePaths(directory(), s); });
}

}  // namespace vk

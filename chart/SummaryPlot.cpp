#include "chart/SummaryPlot.h"

#include <QFile>

#include "analysis/FactsSummary.h"
#include "chart/CalibrationView.h"
#include "chart/Chart.h"
#include "chart/ChartExport.h"
#include "chart/ContourChart.h"
#include "chart/FactsView.h"
#include "chart/PathChart.h"
#include "chart/SensitivityChart.h"
#include "chart/SweepChart.h"
#include "chart/WeightsChart.h"

namespace vk {

namespace {

// About the size of the chart in a window opened at its first size, a little
// wider so that the seventeen weights fit in one or two legend rows.
const QSize kPlotSize(800, 500);
// Two charts side by side over a chart and the table (or over a wide chart).
const QSize kFactsPlotSize(1100, 800);

template <class View, class Series>
void plotWith(const Series& summary, const std::string& file) {
  OffscreenChartApplication app;
  Chart chart;
  View view(chart);
  view.show(summary);
  renderChartToFile(chart, QFile::decodeName(file.c_str()), kPlotSize);
}

}  // namespace

void plotSummary(const PathSummarySeries& summary, const std::string& file) { plotWith<PathChart>(summary, file); }

void plotSummary(const ContourSeries& summary, const std::string& file) { plotWith<ContourChart>(summary, file); }

void plotSummary(const WeightsSeries& summary, const std::string& file) { plotWith<WeightsChart>(summary, file); }

void plotSummary(const SweepSummary& summary, const std::string& file) { plotWith<SweepChart>(summary, file); }
void plotSummary(const SensitivityReport& report, const std::string& file) { plotWith<SensitivityChart>(report, file); }
void plotSummary(const FactsSeries& summary, const std::string& file) {
  OffscreenChartApplication app;
  FactsPanel panel;
  FactsView view(panel);
  view.show(summary);
  renderDrawingToFile(panel.drawing(), QFile::decodeName(file.c_str()), kFactsPlotSize);
}

void plotSummary(const CalibrationOutputs& outputs, const std::string& file) {
  OffscreenChartApplication app;
  CalibrationPanel panel;
  CalibrationView view(panel);
  view.show(outputs);
  renderDrawingToFile(panel.drawing(), QFile::decodeName(file.c_str()), kFactsPlotSize);
}

}  // namespace vk

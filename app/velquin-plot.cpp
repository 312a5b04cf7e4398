// velquin-plot: the plotting part of the command line, installed beside
// velquin-cli, which runs it for analyze --plot, sweep plot and calibrate
// plot. It makes the summary as velquin-cli does and draws the window's chart
// of it into the file.
#include "analysis/ContourSummary.h"
#include "analysis/FactsSummary.h"
#include "analysis/PathSummary.h"
#include "analysis/WeightsSummary.h"
#include "app/CliCommands.h"
#include "calibration/CalibrationOutputs.h"
#include "chart/SummaryPlot.h"
#include "experiment/SensitivityAnalysis.h"
#include "experiment/SweepSummary.h"

int main(int argc, char** argv) {
  vk::PlotBinding plotting;
  plotting.drawPaths = [](const vk::PathSummarySeries& s, const std::string& file) { vk::plotSummary(s, file); };
  plotting.drawContour = [](const vk::ContourSeries& s, const std::string& file) { vk::plotSummary(s, file); };
  plotting.drawWeights = [](const vk::WeightsSeries& s, const std::string& file) { vk::plotSummary(s, file); };
  plotting.drawSweep = [](const vk::SweepSummary& s, const std::string& file) { vk::plotSummary(s, file); };
  plotting.drawFacts = [](const vk::FactsSeries& s, const std::string& file) { vk::plotSummary(s, file); };
  plotting.drawSensitivity = [](const vk::SensitivityReport& r, const std::string& file) { vk::plotSummary(r, file); };
  plotting.drawCalibration = [](const vk::CalibrationOutputs& o, const std::string& file) { vk::plotSummary(o, file); };
  return vk::runCommandLine(argc, argv, false, &plotting);
}

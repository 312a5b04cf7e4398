#pragma once
// The charts of the analysis windows drawn from a summary straight into a
// file, without a display: velquin-cli analyze --plot FILE, which velquin-plot
// carries out. Each is the window's own chart view (PathChart, ContourChart,
// WeightsChart, FactsView) with the same series and settings, so the picture is the one
// Save would write after the same Plot.
#include <string>

namespace vk {

struct CalibrationOutputs;
struct ContourSeries;
struct FactsSeries;
struct PathSummarySeries;
struct SensitivityReport;
struct SweepSummary;
struct WeightsSeries;

// Writes the chart in the format of the file's extension (.png, .svg or .pdf,
// in any letter case); a file that cannot be written is a RunError naming it.
void plotSummary(const PathSummarySeries& summary, const std::string& file);
void plotSummary(const ContourSeries& summary, const std::string& file);
void plotSummary(const WeightsSeries& summary, const std::string& file);
void plotSummary(const SweepSummary& summary, const std::string& file);
void plotSummary(const SensitivityReport& report, const std::string& file);
// The facts panel: two autocorrelation charts, the distribution and the table.
void plotSummary(const FactsSeries& summary, const std::string& file);
// The calibration panel: the loss, the parameters and the moments.
void plotSummary(const CalibrationOutputs& outputs, const std::string& file);

}  // namespace vk

#pragma once
// The charts of the analysis windows drawn from a summary straight into a
// file, without a display: velquin-cli analyze --plot FILE. Each is the
// window's own chart (ui/PathDlg.h, ui/ContourPlot.h, ui/WPlot.h, chart/FactsView.h) with the
// same series and settings, so the picture is the one Save would write after
// the same Plot.
#include <string>

namespace vk {

struct ContourSeries;
struct FactsSeries;
struct PathSummarySeries;
struct WeightsSeries;

// The format comes from the extension: .png, .svg or .pdf, in any letter
// case. An empty string when the file names one of them, else what is wrong.
std::string plotFileProblem(const std::string& file);

// Writes the chart; a file that cannot be written is a RunError naming it.
void plotSummary(const PathSummarySeries& summary, const std::string& file);
void plotSummary(const ContourSeries& summary, const std::string& file);
void plotSummary(const WeightsSeries& summary, const std::string& file);
// The facts window's two autocorrelation charts, distribution and table.
void plotSummary(const FactsSeries& summary, const std::string& file);

}  // namespace vk

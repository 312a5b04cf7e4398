// Times a Plot of each analysis window over 1,000 paths of 600 weeks: the
// selection file, the summary and handing its series to the chart, which is
// drawn before the Plot returns. Runs on the offscreen platform unless
// QT_QPA_PLATFORM names another.
//
//   bench_analysis_windows [DIR]
//
// DIR holds the generated result files of bench_analysis (default: the same
// folder in the system's temp directory); run that benchmark first.
#include <QApplication>
#include <QListWidget>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "ui/ContourPlotWindow.h"
#include "ui/FactsPlotWindow.h"
#include "ui/PathPlotWindow.h"
#include "ui/WeightsPlotWindow.h"

namespace {

constexpr int kRepeats = 5;
const char* const kMarker = "generated-1000x600";

void time(const char* what, vk::ResultFrame& window, const std::string& dir) {
  window.resize(1000, 700);
  window.openWith(QString::fromStdString(dir));
  window.checkAll();
  double best = 1e9, sum = 0;
  for (int i = 0; i < kRepeats; ++i) {
    const auto start = std::chrono::steady_clock::now();
    window.plot();
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    best = std::min(best, s);
    sum += s;
  }
  std::printf("%-8s Plot of %d files, chart drawn: best %.3f s, mean %.3f s over %d runs\n", what,
              window.pathList->count(), best, sum / kRepeats, kRepeats);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir =
      argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "velquin-bench-analysis").string();
  if (!std::filesystem::exists(std::filesystem::path(dir) / kMarker)) {
    std::printf("No generated result files in %s: run bench_analysis %s first.\n", dir.c_str(), dir.c_str());
    return 1;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  vk::PathPlotWindow paths;
  time("paths", paths, dir);
  vk::ContourPlotWindow contour;
  time("contour", contour, dir);
  vk::WeightsPlotWindow weights;
  time("weights", weights, dir);
  vk::FactsPlotWindow facts;
  time("facts", facts, dir);
  return 0;
}

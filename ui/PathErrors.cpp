#include "ui/PathErrors.h"

#include <cmath>
#include <limits>

#include "analysis/StylizedFacts.h"
#include "run/ReportFile.h"

namespace vk {

namespace {

// The report's columns after "path": me, mae and rmse, each of the
// simulation and then of the random walk.
enum ReportColumn { kMaeSim = 2, kMaeWalk = 3, kRmseSim = 4, kRmseWalk = 5 };

double ratio(double sim, double walk) {
  if (!(walk != 0) || std::isnan(sim)) return std::numeric_limits<double>::quiet_NaN();
  return sim / walk;
}

}  // namespace

std::vector<PathErrorRow> pathErrorRows(const std::vector<PathReportRow>& report) {
  std::vector<PathErrorRow> rows;
  for (const PathReportRow& r : report) {
    PathErrorRow e;
    e.path = r.path;
    e.rmseSim = reportValue(r, kRmseSim);
    e.rmseWalk = reportValue(r, kRmseWalk);
    e.maeSim = reportValue(r, kMaeSim);
    e.maeWalk = reportValue(r, kMaeWalk);
    e.rmseRatio = ratio(e.rmseSim, e.rmseWalk);
    e.maeRatio = ratio(e.maeSim, e.maeWalk);
    rows.push_back(e);
  }
  return rows;
}

ErrorSummary summariseErrors(const std::vector<PathErrorRow>& rows) {
  std::vector<double> ratios;
  for (const PathErrorRow& r : rows)
    if (std::isfinite(r.rmseRatio)) ratios.push_back(r.rmseRatio);
  ErrorSummary s;
  if (ratios.empty()) return s;
  s.paths = static_cast<int>(ratios.size());
  s.median = *percentile(ratios, 0.5);
  s.p10 = *percentile(ratios, 0.1);
  s.p90 = *percentile(ratios, 0.9);
  return s;
}

QString errorSummaryText(const ErrorSummary& summary) {
  if (summary.paths == 0) return "No path has an RMSE ratio yet";
  // QString::number writes the C locale's digits whatever the user's locale.
  return QString("Median RMSE ratio %1 (10-90 %: %2-%3) over %4 path%5")
      .arg(QString::number(summary.median, 'f', 3), QString::number(summary.p10, 'f', 3),
           QString::number(summary.p90, 'f', 3), QString::number(summary.paths), summary.paths == 1 ? "" : "s");
}

}  // namespace vk

#include "calibration/CalibrationReport.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "calibration/BatchRecord.h"
#include "io/AtomicFile.h"
#include "io/RunError.h"
#include "run/ParameterFile.h"

namespace vk {

namespace fs = std::filesystem;

namespace {

std::string fixed(double value, int decimals) {
  if (std::isnan(value)) return "-";
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string general(double value) {
  if (std::isnan(value)) return "-";
  char text[64];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

std::string padded(const std::string& text, std::size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

std::string csvNumber(double value) { return std::isnan(value) ? std::string() : exactNumber(value); }

bool jTestApplies(const CalibrationDescription& c, int identified) {
  return c.weights == WeightKind::Simulated && static_cast<int>(c.moments.size()) > identified;
}

void writeEstimate(const CalibrationDescription& c, const CalibrationResult& r, const std::string& dir) {
  Parameters p = c.parameters;
  for (std::size_t i = 0; i < c.estimate.size(); ++i) {
    char text[64];
    std::snprintf(text, sizeof text, c.estimate[i].integer ? "%.0f" : "%.5f", r.estimate[i]);
    setParameter(p, c.estimate[i].name, text, "the estimate");
  }
  std::error_code error;
  fs::create_directories(dir + "/estimate", error);
  if (error) throw RunError("Cannot create '" + dir + "/estimate': " + error.message());
  writeFileAtomically(dir + "/estimate/para.txt", formatParameters(p));
  std::ifstream in(c.wdata, std::ios::binary);
  if (!in) throwFileError("open file for reading", c.wdata, errno);
  writeFileAtomically(dir + "/estimate/wdata.txt",
                      std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

}  // namespace

void writeCalibrationReport(const CalibrationDescription& c, const CalibrationResult& r, const std::string& dir) {
  int identified = 0;
  for (bool b : r.errors.identified) identified += b ? 1 : 0;
  std::string txt = "Calibration by the method of simulated moments\n\n";
  txt += "Moments over the simulated weeks " + std::to_string(c.firstSimulatedWeek) + ".." +
         std::to_string(c.lastSimulatedWeek) + ", " + std::to_string(r.paths) + " simulated paths (" +
         std::to_string(c.seeds.size()) + " seeds x " + std::to_string(c.parameters.simtimes) + " paths), weights " +
         weightKindName(c.weights) + ", " + std::to_string(r.evaluations) + " evaluations.\n";
  if (r.bootstrap)
    txt += "Band of the actual moments: " + std::to_string(r.bootstrap->resamples) +
           " moving-block bootstrap resamples of the actual changes, blocks of " +
           std::to_string(r.bootstrap->blockLength) + " weeks.\n";
  txt += "\n" + padded("parameter", 14) + padded("estimate", 12) + padded("std.error", 12) +
         padded("95 % interval", 26) + padded("start", 12) + "range\n";
  std::string csv = "row,name,value,standard_error,lower_95,upper_95,identified,actual,start,t_ratio\n";
  for (std::size_t i = 0; i < c.estimate.size(); ++i) {
    const EstimatedParameter& e = c.estimate[i];
    const int decimals = e.integer ? 0 : 5;
    const double se = r.errors.standardError[i];
    const bool ok = r.errors.identified[i];
    const double low = r.estimate[i] - kNormal975 * se;
    const double high = r.estimate[i] + kNormal975 * se;
    txt += padded(e.name, 14) + padded(fixed(r.estimate[i], decimals), 12) + padded(ok ? general(se) : "-", 12) +
           padded(ok ? "[" + general(low) + ", " + general(high) + "]" : "not identified", 26) +
           padded(fixed(r.start[i], decimals), 12) + fixed(e.from, decimals) + ".." + fixed(e.to, decimals) + "\n";
    csv += "parameter," + e.name + "," + exactNumber(r.estimate[i]) + "," + csvNumber(se) + "," +
           (ok ? exactNumber(low) : "") + "," + (ok ? exactNumber(high) : "") + "," + (ok ? "yes" : "no") + ",," +
           exactNumber(r.start[i]) + ",\n";
  }
  if (identified < static_cast<int>(c.estimate.size()))
    txt += "A parameter marked not identified moves none of the moments by " + general(kIdentifiedShare) +
           " of a path's standard deviation across its whole range, or moves them by no more than the simulation's "
           "noise across the Jacobian's step, or moves them as another does: these moments cannot tell its values "
           "apart, so it has no standard error.\n";

  txt += "\n" + padded("moment", 24) + padded("actual", 14) + padded("95 % band of actual", 26) + padded("fitted", 14) +
         padded("t-ratio", 10) + "start\n";
  for (std::size_t k = 0; k < c.moments.size(); ++k) {
    const auto at = static_cast<Eigen::Index>(k);
    const double t = momentTRatio(r.actual(at), r.fitted(at), r.omega(at, at), r.paths);
    const bool band = r.bootstrap.has_value();
    const double low = band ? r.bootstrap->lower[k] : std::nan("");
    const double high = band ? r.bootstrap->upper[k] : std::nan("");
    txt += padded(c.moments[k], 24) + padded(general(r.actual(at)), 14) +
           padded(band ? "[" + general(low) + ", " + general(high) + "]" : "-", 26) +
           padded(general(r.fitted(at)), 14) + padded(fixed(t, 2), 10) + general(r.startMoments(at)) + "\n";
    csv += "moment," + c.moments[k] + "," + exactNumber(r.fitted(at)) + ",," + csvNumber(low) + "," + csvNumber(high) +
           ",," + exactNumber(r.actual(at)) + "," + exactNumber(r.startMoments(at)) + "," + csvNumber(t) + "\n";
  }
  txt += "The t-ratio is (actual - fitted) / sqrt(var(one path) x (1 + 1/S)).\n";
  txt += "\nLoss at the estimate: " + general(r.loss) + "\n";
  csv += "fit,loss," + exactNumber(r.loss) + ",,,,,,,\n";
  csv += "fit,paths," + std::to_string(r.paths) + ",,,,,,,\n";
  csv += "fit,evaluations," + std::to_string(r.evaluations) + ",,,,,,,\n";
  if (jTestApplies(c, identified)) {
    const FitTest j = jTest(r.fitted, r.actual, r.omega, r.paths, identified);
    txt += "J statistic: " + general(j.statistic) + " with " + std::to_string(j.degrees) +
           " degrees of freedom, p = " + general(j.pValue) +
           (j.pValue < 0.05 ? ": the model is rejected at 5 %.\n" : ": not rejected at 5 %.\n");
    csv += "fit,j_statistic," + exactNumber(j.statistic) + ",,,,,,,\n";
    csv += "fit,j_degrees," + std::to_string(j.degrees) + ",,,,,,,\n";
    csv += "fit,j_p_value," + exactNumber(j.pValue) + ",,,,,,,\n";
  } else {
    txt +=
        "No J test: it needs simulated weights (W the inverse of the paths' covariance) and more moments than "
        "identified parameters.\n";
  }
  txt += "\nThe estimate's para.txt is in estimate/; run it with\n  velquin-cli run -C " + dir + "/estimate --price " +
         c.market.price + " --data " + c.market.data + "\n";
  writeEstimate(c, r, dir);
  writeFileAtomically(dir + "/report.csv", csv);
  writeFileAtomically(dir + "/report.txt", txt);
}

}  // namespace vk

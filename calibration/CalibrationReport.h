#pragma once
// The outcome of a calibration: DIR/report.txt for reading, DIR/report.csv
// with the same values for a program, and DIR/estimate/para.txt (with the
// inputs' weight structure as wdata.txt) ready for velquin-cli run.
//
// report.csv has the columns row, name, value, standard_error, lower_95,
// upper_95, identified, actual, start, t_ratio: a row "parameter" per
// estimated parameter (value: the estimate; start: the start point), a row
// "moment" per moment (value: fitted at the estimate; lower_95 and upper_95:
// the band of the actual moment over the block bootstrap of the actual
// changes; actual; start: at the start point; t_ratio), and rows "fit" for the loss, the paths and
// evaluations, and the J test when it applies.
#include <optional>
#include <string>
#include <vector>

#include "calibration/BlockBootstrap.h"
#include "calibration/CalibrationDescription.h"
#include "calibration/MomentStatistics.h"

namespace vk {

struct CalibrationResult {
  std::vector<double> estimate;
  std::vector<double> start;
  MomentVector actual;
  MomentVector startMoments;
  MomentVector fitted;
  MomentMatrix omega;  // across the estimate's paths
  MomentMatrix weights;
  MomentMatrix jacobian;
  SandwichErrors errors;
  int paths = 0;
  double loss = 0;
  int evaluations = 0;
  std::optional<BootstrapMoments> bootstrap;
};

// 1.96: the normal's 97.5 % quantile, for the 95 % intervals.
constexpr double kNormal975 = 1.959963984540054;

void writeCalibrationReport(const CalibrationDescription& c, const CalibrationResult& r, const std::string& dir);

}  // namespace vk

#pragma once
// A calibration run into DIR: the start point, the search (two of them for
// simulated weights, the second with the inverse covariance at the first's
// estimate), then the estimate and the points of its Jacobian, each a batch
// of candidates run with the same seeds. Every complete batch is recorded
// (BatchRecord.h), so running it again resumes from the last complete one
// and writes the same evaluations.
//
// DIR holds calibration.toml (the description and what it was run with),
// batches/, evaluations.csv, report.txt, report.csv and estimate/para.txt.
#include <functional>
#include <string>

#include "calibration/CalibrationDescription.h"
#include "calibration/CandidateBatch.h"

namespace vk {

struct CalibrationSettings {
  std::string dir;      // absolute
  std::string program;  // velquin-cli, which each run is
  BatchEngine engine;
  bool replace = false;
  std::string version;
  std::string commandLine;
  std::function<void(const std::string&)> say;  // progress lines
};

// Runs or resumes the calibration; a refusal or a failed start is a RunError.
void runCalibration(const CalibrationDescription& c, const CalibrationSettings& settings);

struct CalibrationStatus {
  std::string step;
  int generation = 0;
  int evaluations = 0;
  int failed = 0;
  // The latest search's best, counting what the second search carried over
  // from the first; the estimate's once finished; +inf when none finite.
  double bestLoss = 0;
  bool finished = false;
};

// What DIR's batch records say.
CalibrationStatus calibrationStatus(const std::string& dir);

}  // namespace vk

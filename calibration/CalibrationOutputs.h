#pragma once
// A calibration folder read back: the search ranges of its calibration.toml,
// the rows of evaluations.csv and, once it has finished, report.csv. What
// calibrate status and the calibration charts show; a folder whose
// calibration still runs reads as far as it got, without the report.
//
// This reader needs neither the search library nor the inputs, so that the
// programs that draw can link it.
#include <string>
#include <vector>

namespace vk {

struct SearchRange {
  std::string name;
  double from = 0;
  double to = 0;
};

// One row of evaluations.csv. A failed candidate has no moments (empty) and
// the loss +infinity; the start point's loss is NaN (it waits for weights).
struct Evaluation {
  int evaluation = 0;
  std::string step;  // start, search1, weights, search2, final
  int generation = 0;
  int candidate = 0;
  std::vector<double> values;  // per parameter
  std::vector<double> moments;
  double loss = 0;
  bool done = false;
  std::string message;
};

// report.csv's row of a parameter; standardError, lower and upper are NaN
// where it is not identified.
struct ParameterEstimate {
  std::string name;
  double value = 0;
  double standardError = 0;
  double lower = 0;
  double upper = 0;
  bool identified = false;
  double start = 0;
};

// report.csv's row of a moment; lower and upper bound the actual moment's
// bootstrap band, NaN where the report has none.
struct MomentFit {
  std::string name;
  double actual = 0;
  double fitted = 0;
  double start = 0;
  double lower = 0;
  double upper = 0;
  double tRatio = 0;
};

struct CalibrationOutputs {
  std::vector<SearchRange> parameters;  // in the order of the columns
  std::vector<std::string> moments;
  std::vector<Evaluation> evaluations;
  bool finished = false;  // report.csv was there
  std::vector<ParameterEstimate> estimate;
  std::vector<MomentFit> fit;
  double loss = 0;  // at the estimate, when finished
};

// Reads DIR. A folder without calibration.toml or evaluations.csv, and a
// file that is damaged, are RunErrors naming the file (and the line).
CalibrationOutputs readCalibrationOutputs(const std::string& dir);

// True for the rows of the two searches, whose losses the search minimised.
bool isSearchStep(const std::string& step);

// Per evaluation: the lowest finite loss of its search step up to and
// including it; NaN outside the searches and before a finite loss. The
// second search's weights differ from the first's, so its best starts anew.
std::vector<double> bestLossSoFar(const std::vector<Evaluation>& evaluations);

}  // namespace vk

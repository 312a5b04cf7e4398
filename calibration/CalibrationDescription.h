#pragma once
// The calibration description: a TOML file that names the inputs, the
// parameters to estimate with their search ranges, the moments and their
// weighting, the seeds every candidate runs with and the search. Checked
// whole before anything runs.
#include <cstdint>
#include <string>
#include <vector>

#include "experiment/Description.h"
#include "run/ParameterFile.h"

namespace vk {

struct EstimatedParameter {
  std::string name;
  bool integer = false;  // searched on its whole numbers
  double from = 0;
  double to = 0;
  SourcePlace place;
};

enum class WeightKind { Simulated, Bootstrap, Diagonal, Identity };

constexpr int kMaxEstimated = 8;

struct CalibrationDescription {
  std::string sourceName;  // the file, for messages
  std::string text;        // its bytes as read
  std::string base;        // the folder relative names resolve against
  std::string inputs;      // absolute
  std::string mode;        // as the description gives it; empty: para.txt's
  std::string wdata;       // absolute
  MarketFiles market;
  Parameters parameters;  // the inputs' para.txt, with the description's mode
  std::vector<EstimatedParameter> estimate;
  std::vector<std::string> moments;  // fact column names, in the order given
  std::vector<int> momentColumns;
  WeightKind weights = WeightKind::Simulated;
  std::vector<ExperimentSeed> seeds;
  int budget = 0;
  std::uint64_t searchSeed = 0;
  // The search ends once a generation's candidates all lie within this share
  // of every parameter's range of each other.
  double tolerance = 1e-3;
  bool toleranceGiven = false;
  int firstSimulatedWeek = 0;
  int lastSimulatedWeek = 0;
};

// The candidates of one generation of the search for this many parameters:
// 4 + floor(3 ln P), the population CMA-ES takes by default (Hansen 2006),
// but never fewer than pagmo's cmaes accepts, which the default for a single
// parameter (4) is.
constexpr int kSmallestCmaesGeneration = 5;
int generationSize(int parameters);

// The searches the weighting takes: two for simulated weights, else one.
int searchSteps(WeightKind weights);

// Reads and checks a description: names, types, each range inside its
// parameter's limits, the moments by name, enough simulated weeks for each,
// a budget of one generation per search at least. A refusal is a RunError
// naming the file, the line and the column.
CalibrationDescription readCalibrationDescription(const std::string& path);

const char* weightKindName(WeightKind kind);
constexpr WeightKind kWeightKinds[] = {WeightKind::Simulated, WeightKind::Bootstrap, WeightKind::Diagonal,
                                       WeightKind::Identity};

// The parameters of para.txt a calibration can estimate, in the file's order:
// every one but the mode word and those that set the weeks and paths the
// moments are taken over.
std::vector<std::string> estimableParameters();
// The facts columns a calibration takes as moments, in the table's order.
std::vector<std::string> momentNames();

}  // namespace vk

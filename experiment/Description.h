#pragma once
// The experiment description: a TOML file that names the inputs, the
// parameters to vary and how, the seeds and the design. Read and checked for
// its own shape here; the points it makes are checked as whole runs by the
// plan (Plan.h).
#include <cstdint>
#include <string>
#include <vector>

namespace vk {

using ExperimentSeed = std::uint64_t;

// Where a value stands in the description, for messages.
struct SourcePlace {
  int line = 0;
  int column = 0;
};

struct MarketFiles {
  std::string name;   // as the table shows it
  std::string price;  // absolute
  std::string data;   // absolute
};

enum class VaryKind { Parameter, WeightStructure, Market };

// One entry of [vary]: a list of values, or a range from..to (with steps in
// a grid; sampled in a Latin hypercube or Sobol design).
struct VaryEntry {
  std::string name;
  VaryKind kind = VaryKind::Parameter;
  bool integer = false;  // a parameter of whole numbers
  SourcePlace place;
  // A list. Parameters: each value as a number; the plan turns it into the
  // text para.txt holds. Weight structures: the names as given and their
  // absolute files. Markets: their files.
  std::vector<double> numbers;
  std::vector<SourcePlace> numberPlaces;
  std::vector<std::string> names;
  std::vector<std::string> files;
  std::vector<MarketFiles> markets;
  // A range.
  bool isRange = false;
  double from = 0;
  double to = 0;
  int steps = 0;  // 0: not given
};

// Listed: points given one by one (a calibration's candidates), not read
// from a description.
enum class DesignKind { Grid, LatinHypercube, Sobol, Saltelli, Morris, Listed };

// The word of the design in a description: grid, lhs, sobol, saltelli, morris.
const char* designWord(DesignKind kind);

// What a run's result folder keeps once the run is done: everything it
// wrote, or only its summaries (the report and the facts), which is all a
// study of many runs reads; its folder still holds what reruns it in full.
enum class OutputKeep { All, Summaries };

struct Description {
  std::string sourceName;       // the file, for messages
  std::string text;             // the file's bytes as read
  std::string base;             // the folder relative names resolve against
  std::string inputs;           // absolute
  std::string mode;             // empty: the mode of para.txt
  std::string wdata;            // absolute: the weight structure when not varied
  MarketFiles market;           // the price and data files when not varied
  std::vector<VaryEntry> vary;  // in the order written
  std::vector<ExperimentSeed> seeds;
  DesignKind design = DesignKind::Grid;
  int samples = 0;       // lhs, sobol, saltelli
  int trajectories = 0;  // morris
  int levels = 0;        // morris: even
  ExperimentSeed designSeed = 0;
  std::vector<std::vector<std::string>> listedPoints;  // a Listed design's, one value per [vary] entry
  OutputKeep keep = OutputKeep::All;
  // What sweep run recorded below the description in DIR/experiment.toml.
  std::string recordedPlan;
  std::string recordedBase;
  std::vector<std::pair<std::string, std::string>> recordedInputs;  // file and SHA-256
};

// Reads a description. Relative names resolve against the description's own
// folder. Anything the file does not allow (a TOML syntax error, an unknown
// name, a value of the wrong type, a range with steps below 1, a missing
// inputs folder or file) is a RunError naming the file, the line and the
// column, and the allowed names or values.
Description readDescription(const std::string& path);

// Reads DIR/experiment.toml: the description as it was run, with relative
// names resolving against the folder recorded with it.
Description readRecordedDescription(const std::string& path);

// "description.toml, line 4, column 3: " + what.
[[noreturn]] void failAt(const Description& d, SourcePlace place, const std::string& what);

}  // namespace vk

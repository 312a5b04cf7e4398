#pragma once
// The plan of an experiment: every point of the design times every seed,
// each a run with its own para.txt, checked as a whole before anything runs.
#include <string>
#include <utility>
#include <vector>

#include "experiment/Description.h"
#include "experiment/Design.h"

namespace vk {

struct PlannedRun {
  int id = 0;
  std::string name;  // the folder under runs/: the id, zero-padded
  ExperimentSeed seed = 0;
  int point = 0;
  std::string parameterText;  // para.txt as the parameter writer makes it
  int simtimes = 0;           // the number of path reports its eval.txt holds
  std::string wdata;          // absolute
  std::string price;
  std::string data;
  OutputKeep keep = OutputKeep::All;
};

struct ExperimentPlan {
  Description description;
  std::vector<std::string> columns;  // the [vary] names, in order
  std::vector<DesignPoint> points;
  std::vector<PlannedRun> runs;  // point by point, the seeds within a point
  // Every input file and its SHA-256, sorted by name.
  std::vector<std::pair<std::string, std::string>> inputs;
  // SHA-256 over everything the runs depend on: the para.txt of each run, its
  // seed, the names and contents of its input files.
  std::string fingerprint;
};

constexpr int kMaxRuns = 1000000;

// Makes and checks every run: each value within the run's limits, each
// combination possible (gap counts within popsize, maxyear within the price
// and data files), each weight structure readable, the mode one that writes
// the run report. The first problem is a RunError naming the description's
// line and column, or the file at fault.
ExperimentPlan makePlan(const Description& d);

}  // namespace vk

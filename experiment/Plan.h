#pragma once
// The plan of an experiment: every point of the design times every seed,
// each a run with its own para.txt, checked as a whole before anything runs.
// A plan holds the design and the inputs' parameters, not its runs: each run
// is made when it is asked for, so that a plan of a million runs stays small.
#include <cstddef>
#include <iterator>
#include <memory>
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
  double estimatedSeconds = 0;  // of one processor, from the run's size
};

struct PlanState;

// The runs of a plan, point by point and the seeds within a point, each
// made when it is asked for.
class PlannedRuns {
 public:
  class iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = PlannedRun;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = PlannedRun;
    iterator(const PlannedRuns* runs, std::size_t id) : runs_(runs), id_(id) {}
    PlannedRun operator*() const { return (*runs_)[id_]; }
    iterator& operator++() {
      ++id_;
      return *this;
    }
    bool operator!=(const iterator& other) const { return id_ != other.id_; }
    bool operator==(const iterator& other) const { return id_ == other.id_; }

   private:
    const PlannedRuns* runs_;
    std::size_t id_;
  };

  PlannedRuns() = default;
  explicit PlannedRuns(std::shared_ptr<const PlanState> state) : state_(std::move(state)) {}
  std::size_t size() const;
  PlannedRun operator[](std::size_t id) const;
  // The folder name, the point and the seed of a run, without making the
  // rest of it.
  std::string name(std::size_t id) const;
  int point(std::size_t id) const;
  ExperimentSeed seed(std::size_t id) const;
  iterator begin() const { return iterator(this, 0); }
  iterator end() const { return iterator(this, size()); }

 private:
  std::shared_ptr<const PlanState> state_;
};

struct ExperimentPlan {
  Description description;
  std::vector<std::string> columns;  // the [vary] names, in order
  DesignPoints points;
  PlannedRuns runs;
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

#include "experiment/Plan.h"

#include <algorithm>
#include <map>

#include "experiment/Sha256.h"
#include "io/RunError.h"
#include "io/TextReader.h"
#include "model/Display.h"
#include "model/Limits.h"
#include "model/RunState.h"
#include "run/InputFiles.h"
#include "run/ParameterFile.h"

namespace vk {

namespace {

// How many weeks an input file covers, counted once per file.
class InputCoverage {
 public:
  // The last week the price file holds a rate for.
  int lastPriceWeek(const std::string& file) {
    auto found = priceWeeks_.find(file);
    if (found != priceWeeks_.end()) return found->second;
    TextReader in = TextReader::open(file);
    int values = 0;
    while (in.skipToNextValue()) {
      in.readReal();
      in.skipLine();
      ++values;
    }
    // Line n of the price file holds week n - 5, the first line week kFirstWeek.
    return priceWeeks_[file] = values + kFirstWeek - 1;
  }

  // The last week the data file holds all fourteen factors for.
  int lastDataWeek(const std::string& file) {
    auto found = dataWeeks_.find(file);
    if (found != dataWeeks_.end()) return found->second;
    TextReader in = TextReader::open(file);
    int values = 0;
    while (in.skipToNextValue()) {
      in.readInt();
      ++values;
    }
    return dataWeeks_[file] = values / kDataFactorCount;
  }

  void checkWeightStructure(const std::string& file) {
    if (!checkedStructures_.insert({file, true}).second) return;
    NullDisplay nothing;
    std::unique_ptr<RunState> state = newRunState(nothing);
    readWeightStructure(*state, file);
  }

 private:
  std::map<std::string, int> priceWeeks_;
  std::map<std::string, int> dataWeeks_;
  std::map<std::string, bool> checkedStructures_;
};

std::string describePoint(const std::vector<std::string>& columns, const DesignPoint& point) {
  std::string text;
  for (std::size_t i = 0; i < columns.size(); ++i) text += (i ? ", " : "") + columns[i] + " = " + point[i];
  return text.empty() ? "the inputs' parameters" : text;
}

// The runs' folder names have as many digits as the last one needs, and at least four.
std::string runName(std::size_t id, std::size_t total) {
  std::string name = std::to_string(id);
  const std::size_t width = std::max<std::size_t>(4, std::to_string(total - 1).size());
  return std::string(width > name.size() ? width - name.size() : 0, '0') + name;
}

}  // namespace

struct PlanState {
  Description d;
  DesignPoints points;
  Parameters base;  // the inputs' para.txt, in the description's mode
  std::size_t count = 0;
};

namespace {

// A run's processor time grows with its agent-weeks: the agents times the
// weeks of every path, training weeks once per pass. Measured on the demo
// and on larger runs: about 50 ns an agent-week, and some milliseconds to
// start the process and write its files.
double estimatedRunSeconds(const Parameters& p) {
  const double trained = static_cast<double>(p.nsample) * p.teachyear;
  const double simulated = std::max(0, p.maxyear - p.minyear + 1 - p.teachyear);
  return 5e-3 + 5e-8 * p.simtimes * p.popsize * (trained + simulated);
}

// A run of the point without its id and seed, and its parameters.
Parameters pointParameters(const PlanState& s, int pointIndex, const DesignPoint& point, PlannedRun& run) {
  Parameters p = s.base;
  run.point = pointIndex;
  run.keep = s.d.keep;
  run.wdata = s.d.wdata;
  run.price = s.d.market.price;
  run.data = s.d.market.data;
  for (std::size_t i = 0; i < s.d.vary.size(); ++i) {
    const VaryEntry& entry = s.d.vary[i];
    const std::size_t chosen = std::find(entry.names.begin(), entry.names.end(), point[i]) - entry.names.begin();
    if (entry.kind == VaryKind::WeightStructure) {
      run.wdata = entry.files[chosen];
    } else if (entry.kind == VaryKind::Market) {
      run.price = entry.markets[chosen].price;
      run.data = entry.markets[chosen].data;
    } else {
      try {
        setParameter(p, entry.name, point[i], "vary");
      } catch (const RunError& e) {
        failAt(s.d, entry.place, e.what());
      }
    }
  }
  run.simtimes = p.simtimes;
  run.estimatedSeconds = estimatedRunSeconds(p);
  return p;
}

class Planner {
 public:
  explicit Planner(const Description& d) : d_(d) {}

  ExperimentPlan make() {
    auto state = std::make_shared<PlanState>();
    state->d = d_;
    state->points = DesignPoints(d_);
    const double total = static_cast<double>(state->points.size()) * static_cast<double>(d_.seeds.size());
    if (total > kMaxRuns)
      failAt(d_, {1, 1},
             std::to_string(state->points.size()) + " points x " + std::to_string(d_.seeds.size()) +
                 " seeds is more than the " + std::to_string(kMaxRuns) + " runs an experiment holds");
    state->count = static_cast<std::size_t>(total);
    const std::string paraFile = d_.inputs + "/para.txt";
    state->base = readParameterFile(paraFile);
    // A value of the inputs' para.txt with more decimals than a run's para.txt
    // keeps would silently become another value.
    checkDecimalsKept(state->base, paraFile);
    if (!d_.mode.empty()) state->base.runMode = d_.mode;

    ExperimentPlan plan;
    plan.description = d_;
    for (const VaryEntry& entry : d_.vary) plan.columns.push_back(entry.name);
    plan.points = state->points;
    checkAndFingerprint(plan, *state, paraFile);
    plan.runs = PlannedRuns(std::move(state));
    return plan;
  }

 private:
  // Checks every point as its runs will be made, and hashes them as they go
  // by: the plan never holds their texts.
  void checkAndFingerprint(ExperimentPlan& plan, const PlanState& s, const std::string& paraFile) {
    hashOf(paraFile);
    Sha256 canon;
    canon.add("columns");
    for (const std::string& column : plan.columns) canon.add("\t" + column);
    canon.add("\n");
    std::size_t id = 0;
    for (std::size_t index = 0; index < s.points.size(); ++index) {
      const DesignPoint point = s.points[index];
      PlannedRun run;
      const Parameters p = pointParameters(s, static_cast<int>(index), point, run);
      check(p, run, plan.columns, point);
      const std::string parameterText = formatParameters(p);
      std::string values;
      for (const std::string& value : point) values += "\t" + value;
      std::string files;
      for (const std::string* file : {&run.wdata, &run.price, &run.data}) files += *file + "\t" + hashOf(*file) + "\n";
      for (ExperimentSeed seed : d_.seeds) {
        canon.add(runName(id++, s.count) + "\t" + std::to_string(seed) + values + "\n");
        canon.add(parameterText);
        canon.add(files);
      }
    }
    plan.fingerprint = canon.hex();
    plan.inputs.assign(hashes_.begin(), hashes_.end());
  }

  void check(const Parameters& p, const PlannedRun& run, const std::vector<std::string>& columns,
             const DesignPoint& point) {
    const SourcePlace where = d_.vary.empty() ? SourcePlace{1, 1} : d_.vary.front().place;
    const std::string which = "the point " + describePoint(columns, point);
    if (p.runMode != "write" && p.runMode != "all")
      failAt(d_, where,
             which + " runs in mode '" + p.runMode.substr(0, 30) +
                 "' of para.txt; an experiment needs a run report of every path, which the modes write "
                 "and all make: set mode = \"write\" in the description");
    try {
      checkParameters(p, "para.txt");
      coverage_.checkWeightStructure(run.wdata);
      const int lastPrice = coverage_.lastPriceWeek(run.price);
      if (p.maxyear > lastPrice)
        throw RunError("maxyear = " + std::to_string(p.maxyear) + " lies past the price file '" + run.price +
                       "', which holds weeks up to " + std::to_string(lastPrice));
      const int lastData = coverage_.lastDataWeek(run.data);
      if (p.maxyear > lastData)
        throw RunError("maxyear = " + std::to_string(p.maxyear) + " lies past the data file '" + run.data +
                       "', which holds weeks up to " + std::to_string(lastData));
    } catch (const RunError& e) {
      failAt(d_, where, which + " cannot run: " + e.what());
    }
  }

  const std::string& hashOf(const std::string& file) {
    auto found = hashes_.find(file);
    if (found == hashes_.end()) found = hashes_.emplace(file, sha256OfFile(file)).first;
    return found->second;
  }

  const Description& d_;
  InputCoverage coverage_;
  std::map<std::string, std::string> hashes_;
};

}  // namespace

std::size_t PlannedRuns::size() const { return state_ ? state_->count : 0; }

std::string PlannedRuns::name(std::size_t id) const { return runName(id, state_->count); }

int PlannedRuns::point(std::size_t id) const { return static_cast<int>(id / state_->d.seeds.size()); }

ExperimentSeed PlannedRuns::seed(std::size_t id) const { return state_->d.seeds[id % state_->d.seeds.size()]; }

PlannedRun PlannedRuns::operator[](std::size_t id) const {
  const PlanState& s = *state_;
  PlannedRun run;
  const int pointIndex = point(id);
  run.parameterText = formatParameters(pointParameters(s, pointIndex, s.points[pointIndex], run));
  run.id = static_cast<int>(id);
  run.name = runName(id, s.count);
  run.seed = seed(id);
  return run;
}

ExperimentPlan makePlan(const Description& d) { return Planner(d).make(); }

}  // namespace vk

#include "experiment/Plan.h"

#include <algorithm>
#include <map>

#include "experiment/Sha256.h"
#include "io/RunError.h"
#include "io/TextReader.h"
#include "model/Limits.h"
#include "run/Display.h"
#include "run/InputFiles.h"
#include "run/Parameters.h"
#include "run/RunState.h"

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

// A run's para.txt is written with five decimals: a value of the inputs'
// para.txt with more would silently become another value.
void refuseValuesTheFormatChanges(const Parameters& p, const std::string& paraFile) {
  for (const ParameterField& field : parameterFields()) {
    if (field.kind != ParameterKind::Real) continue;
    double back = 0;
    const std::string text = parameterText(p, field);
    if (!parseReal(text, back) || back != p.*field.real)
      throw RunError(paraFile + ", line " + std::to_string(field.line) + ": " + field.name + " = " +
                     std::to_string(p.*field.real) + " has more than the five decimals para.txt keeps (it would be " +
                     "written as " + text + ")");
  }
}

std::string describePoint(const std::vector<std::string>& columns, const DesignPoint& point) {
  std::string text;
  for (std::size_t i = 0; i < columns.size(); ++i) text += (i ? ", " : "") + columns[i] + " = " + point[i];
  return text.empty() ? "the inputs' parameters" : text;
}

std::string runName(int id, int total) {
  std::string name = std::to_string(id);
  const std::size_t width = std::max<std::size_t>(4, std::to_string(total - 1).size());
  return std::string(width > name.size() ? width - name.size() : 0, '0') + name;
}

class Planner {
 public:
  explicit Planner(const Description& d) : d_(d) {}

  ExperimentPlan make() {
    ExperimentPlan plan;
    plan.description = d_;
    for (const VaryEntry& entry : d_.vary) plan.columns.push_back(entry.name);
    plan.points = designPoints(d_);
    const double total = static_cast<double>(plan.points.size()) * static_cast<double>(d_.seeds.size());
    if (total > kMaxRuns)
      failAt(d_, {1, 1},
             std::to_string(plan.points.size()) + " points x " + std::to_string(d_.seeds.size()) +
                 " seeds is more than the " + std::to_string(kMaxRuns) + " runs an experiment holds");
    const std::string paraFile = d_.inputs + "/para.txt";
    base_ = readParameterFile(paraFile);
    refuseValuesTheFormatChanges(base_, paraFile);
    if (!d_.mode.empty()) base_.runMode = d_.mode;
    for (std::size_t p = 0; p < plan.points.size(); ++p) {
      PlannedRun run = plannedRun(plan, static_cast<int>(p));
      for (ExperimentSeed seed : d_.seeds) {
        run.id = static_cast<int>(plan.runs.size());
        run.name = runName(run.id, static_cast<int>(total));
        run.seed = seed;
        plan.runs.push_back(run);
      }
    }
    recordInputs(plan, paraFile);
    return plan;
  }

 private:
  PlannedRun plannedRun(const ExperimentPlan& plan, int pointIndex) {
    const DesignPoint& point = plan.points[pointIndex];
    Parameters p = base_;
    PlannedRun run;
    run.point = pointIndex;
    run.keep = d_.keep;
    run.wdata = d_.wdata;
    run.price = d_.market.price;
    run.data = d_.market.data;
    for (std::size_t i = 0; i < d_.vary.size(); ++i) {
      const VaryEntry& entry = d_.vary[i];
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
          failAt(d_, entry.place, e.what());
        }
      }
    }
    const SourcePlace where = d_.vary.empty() ? SourcePlace{1, 1} : d_.vary.front().place;
    const std::string which = "the point " + describePoint(plan.columns, point);
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
    run.parameterText = formatParameters(p);
    run.simtimes = p.simtimes;
    return run;
  }

  void recordInputs(ExperimentPlan& plan, const std::string& paraFile) {
    std::map<std::string, std::string> hashes;
    const auto hashOf = [&hashes](const std::string& file) -> const std::string& {
      auto found = hashes.find(file);
      if (found == hashes.end()) found = hashes.emplace(file, sha256OfFile(file)).first;
      return found->second;
    };
    hashOf(paraFile);
    std::string canon = "columns";
    for (const std::string& column : plan.columns) canon += "\t" + column;
    canon += "\n";
    for (const PlannedRun& run : plan.runs) {
      canon += run.name + "\t" + std::to_string(run.seed);
      for (const std::string& value : plan.points[run.point]) canon += "\t" + value;
      canon += "\n" + run.parameterText;
      for (const std::string* file : {&run.wdata, &run.price, &run.data}) canon += *file + "\t" + hashOf(*file) + "\n";
    }
    plan.fingerprint = sha256Hex(canon);
    plan.inputs.assign(hashes.begin(), hashes.end());
  }

  const Description& d_;
  Parameters base_;
  InputCoverage coverage_;
};

}  // namespace

ExperimentPlan makePlan(const Description& d) { return Planner(d).make(); }

}  // namespace vk

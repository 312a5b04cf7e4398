#include "calibration/CalibrationDraft.h"

#include "experiment/ExperimentRecord.h"
#include "io/RunError.h"

namespace vk {

namespace {

std::string bareKey(const std::string& name, const std::string& table) {
  if (name.empty() ||
      name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-") != std::string::npos)
    throw RunError("[" + table + "]: '" + name.substr(0, 40) + "' is no " +
                   (table == "estimate" ? "parameter" : "moment") + " name");
  return name;
}

std::string estimateText(const std::vector<EstimateDraft>& estimate) {
  if (estimate.empty()) throw RunError("[estimate]: choose a parameter to estimate");
  std::string text = "\n[estimate]\n";
  for (const EstimateDraft& p : estimate) {
    const std::string what = "estimate." + p.name;
    text += bareKey(p.name, "estimate") + " = { from = " + numberText(p.from, what + ".from") +
            ", to = " + numberText(p.to, what + ".to") + " }\n";
  }
  return text;
}

std::string momentsText(const CalibrationDraft& d) {
  if (d.moments.empty()) throw RunError("[moments]: choose a moment to match");
  std::vector<std::string> names;
  for (const std::string& name : d.moments) names.push_back(tomlString(bareKey(name, "moments")));
  return "\n[moments]\nuse = " + tomlList(names) + "\nweights = " + tomlString(weightKindName(d.weights)) + "\n";
}

std::string searchText(const CalibrationDraft& d) {
  std::string text = "\n[search]\nmethod = \"cmaes\"\nbudget = " + wholeText(d.budget, "search.budget") +
                     "\nseed = " + wholeText(d.searchSeed.empty() ? "0" : d.searchSeed, "search.seed") + "\n";
  if (!trimmedText(d.tolerance).empty()) text += "tolerance = " + numberText(d.tolerance, "search.tolerance") + "\n";
  return text;
}

}  // namespace

std::string calibrationText(const CalibrationDraft& d, const std::string& folder) {
  return inputsText(d, folder) + estimateText(d.estimate) + momentsText(d) +
         "\n[replications]\nseeds = " + seedsText(d.seeds) + "\n" + searchText(d);
}

CalibrationDraft calibrationDraftOf(const CalibrationDescription& c) {
  CalibrationDraft d;
  static_cast<DraftInputs&>(d) = draftInputsOf(c.inputs, c.mode, c.market.price, c.market.data, c.wdata);
  for (const EstimatedParameter& p : c.estimate)
    d.estimate.push_back({p.name, shortestNumber(p.from), shortestNumber(p.to)});
  d.moments = c.moments;
  d.weights = c.weights;
  d.seeds = typedSeeds(c.seeds);
  d.budget = std::to_string(c.budget);
  d.searchSeed = std::to_string(c.searchSeed);
  if (c.toleranceGiven) d.tolerance = shortestNumber(c.tolerance);
  return d;
}

}  // namespace vk

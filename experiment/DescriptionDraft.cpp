#include "experiment/DescriptionDraft.h"

#include "experiment/ExperimentRecord.h"
#include "io/RunError.h"

namespace vk {

namespace {

std::string bareKey(const std::string& name) {
  if (name.empty() ||
      name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-") != std::string::npos)
    throw RunError("[vary]: '" + name.substr(0, 40) + "' is no parameter name");
  return name;
}

std::string entryText(const DraftEntry& e, const std::string& inputs) {
  const std::string what = "vary." + e.name;
  std::vector<std::string> items;
  if (e.name == "market") {
    for (const MarketFiles& m : e.markets)
      items.push_back("{ price = " + tomlString(relativeBelow(m.price, inputs)) +
                      ", data = " + tomlString(relativeBelow(m.data, inputs)) +
                      (m.name.empty() ? "" : ", name = " + tomlString(m.name)) + " }");
  } else if (e.name == "wdata") {
    for (const std::string& file : e.values) items.push_back(tomlString(relativeBelow(file, inputs)));
  } else if (e.isRange) {
    return bareKey(e.name) + " = { from = " + numberText(e.from, what + ".from") +
           ", to = " + numberText(e.to, what + ".to") +
           (e.steps > 0 ? ", steps = " + std::to_string(e.steps) : std::string()) + " }\n";
  } else {
    for (const std::string& value : e.values) items.push_back(numberText(value, what));
  }
  if (items.empty()) throw RunError(what + " lists no value");
  return bareKey(e.name) + " = " + tomlList(items) + "\n";
}

std::string designText(const DescriptionDraft& d) {
  if (d.design == DesignKind::Grid) return "";
  std::string text = "\n[design]\nkind = " + tomlString(designWord(d.design)) + "\n";
  if (d.design == DesignKind::Morris)
    text += "trajectories = " + std::to_string(d.trajectories) + "\nlevels = " + std::to_string(d.levels) + "\n";
  else
    text += "samples = " + std::to_string(d.samples) + "\n";
  const std::string seed = wholeText(d.designSeed.empty() ? "0" : d.designSeed, "design.seed");
  if (seed != "0") text += "seed = " + seed + "\n";
  return text;
}

}  // namespace

std::string descriptionText(const DescriptionDraft& d, const std::string& folder) {
  std::string text = inputsText(d, folder);
  const std::string inputs = absoluteIn(d.inputs, folder);
  if (!d.vary.empty()) {
    text += "\n[vary]\n";
    for (const DraftEntry& entry : d.vary) text += entryText(entry, inputs);
  }
  text += "\n[replications]\nseeds = " + seedsText(d.seeds) + "\n";
  text += designText(d);
  if (d.keep == OutputKeep::Summaries) text += "\n[output]\nkeep = \"summaries\"\n";
  return text;
}

DescriptionDraft draftOf(const Description& d) {
  DescriptionDraft draft;
  static_cast<DraftInputs&>(draft) = draftInputsOf(d.inputs, d.mode, d.market.price, d.market.data, d.wdata);
  for (const VaryEntry& v : d.vary) {
    DraftEntry entry;
    entry.name = v.name;
    entry.isRange = v.isRange;
    entry.steps = v.steps;
    if (v.isRange) {
      entry.from = shortestNumber(v.from);
      entry.to = shortestNumber(v.to);
    }
    for (double number : v.numbers) entry.values.push_back(shortestNumber(number));
    if (v.kind == VaryKind::WeightStructure) entry.values = v.names;
    for (MarketFiles m : v.markets) {
      m.price = relativeBelow(m.price, d.inputs);
      m.data = relativeBelow(m.data, d.inputs);
      entry.markets.push_back(m);
    }
    draft.vary.push_back(entry);
  }
  draft.seeds = typedSeeds(d.seeds);
  draft.design = d.design;
  draft.samples = d.samples;
  draft.trajectories = d.trajectories;
  draft.levels = d.levels;
  draft.designSeed = std::to_string(d.designSeed);
  draft.keep = d.keep;
  return draft;
}

}  // namespace vk

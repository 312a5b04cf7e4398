#include "experiment/DescriptionDraft.h"

#include <charconv>
#include <cmath>
#include <filesystem>

#include "experiment/ExperimentRecord.h"
#include "io/RunError.h"

namespace vk {

namespace fs = std::filesystem;

namespace {

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::vector<std::string> commaSeparated(const std::string& text) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = text.find(',', start);
    const std::string item =
        trimmed(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (!item.empty()) items.push_back(item);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return items;
}

// A number in its shortest form that reads back as the same double, which
// TOML takes as it is ("0.003", "50", "1e-05").
std::string shortest(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

// The typed value as a TOML number; the form's text is never written raw,
// so no typed character can change the file's structure.
std::string numberText(const std::string& typed, const std::string& what) {
  const std::string text = trimmed(typed);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    throw RunError(what + ": '" + text.substr(0, 40) + "' is not a number");
  return shortest(value);
}

std::string wholeText(const std::string& typed, const std::string& what) {
  const std::string text = trimmed(typed);
  unsigned long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > 9223372036854775807ULL)
    throw RunError(what + ": '" + text.substr(0, 40) + "' is not a whole number from 0");
  return std::to_string(value);
}

std::string bareKey(const std::string& name) {
  if (name.empty() ||
      name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-") != std::string::npos)
    throw RunError("[vary]: '" + name.substr(0, 40) + "' is no parameter name");
  return name;
}

// file relative to folder where it lies below it, else as it is.
std::string relativeBelow(const std::string& file, const std::string& folder) {
  if (file.empty() || !fs::path(file).is_absolute()) return file;
  const fs::path relative = fs::path(file).lexically_normal().lexically_relative(fs::path(folder).lexically_normal());
  if (relative.empty() || *relative.begin() == "..") return file;
  return relative.string();
}

std::string absoluteIn(const std::string& name, const std::string& folder) {
  return fs::path(name).is_absolute() ? name : (fs::path(folder) / name).lexically_normal().string();
}

std::string listText(const std::vector<std::string>& items) {
  std::string text = "[";
  for (std::size_t i = 0; i < items.size(); ++i) text += (i ? ", " : "") + items[i];
  return text + "]";
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
  return bareKey(e.name) + " = " + listText(items) + "\n";
}

// A count ("5") or a list ("0, 17, 42", brackets optional).
std::string seedsText(const std::string& typed) {
  std::string text = trimmed(typed);
  const bool bracketed = text.size() >= 2 && text.front() == '[' && text.back() == ']';
  if (bracketed) text = text.substr(1, text.size() - 2);
  const std::vector<std::string> items = commaSeparated(text);
  if (items.empty()) throw RunError("seeds: give a count such as 5 or a list such as 0, 17, 42");
  if (!bracketed && text.find(',') == std::string::npos) return wholeText(items[0], "seeds");
  std::vector<std::string> seeds;
  for (const std::string& item : items) seeds.push_back(wholeText(item, "a seed"));
  return listText(seeds);
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
  if (trimmed(d.inputs).empty())
    throw RunError("inputs: name the folder with para.txt, wdata.txt and the market files");
  const std::string inputs = absoluteIn(d.inputs, folder);
  std::string text = "inputs = " + tomlString(relativeBelow(inputs, folder)) + "\n";
  if (!d.mode.empty()) text += "mode = " + tomlString(d.mode) + "\n";
  for (const auto& [key, file] : {std::pair{"price", d.price}, {"data", d.data}, {"wdata", d.wdata}})
    if (!file.empty()) text += std::string(key) + " = " + tomlString(relativeBelow(file, inputs)) + "\n";
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
  draft.inputs = d.inputs;
  draft.mode = d.mode;
  const auto unlessDefault = [&d](const std::string& file, const char* fallback) {
    return file == (fs::path(d.inputs) / fallback).string() ? std::string() : relativeBelow(file, d.inputs);
  };
  draft.price = unlessDefault(d.market.price, "price.txt");
  draft.data = unlessDefault(d.market.data, "data.txt");
  draft.wdata = unlessDefault(d.wdata, "wdata.txt");
  for (const VaryEntry& v : d.vary) {
    DraftEntry entry;
    entry.name = v.name;
    entry.isRange = v.isRange;
    entry.steps = v.steps;
    if (v.isRange) {
      entry.from = shortest(v.from);
      entry.to = shortest(v.to);
    }
    for (double number : v.numbers) entry.values.push_back(shortest(number));
    if (v.kind == VaryKind::WeightStructure) entry.values = v.names;
    for (MarketFiles m : v.markets) {
      m.price = relativeBelow(m.price, d.inputs);
      m.data = relativeBelow(m.data, d.inputs);
      entry.markets.push_back(m);
    }
    draft.vary.push_back(entry);
  }
  std::string seeds;
  bool counted = true;
  for (std::size_t i = 0; i < d.seeds.size(); ++i) {
    counted = counted && d.seeds[i] == i;
    seeds += (i ? ", " : "") + std::to_string(d.seeds[i]);
  }
  draft.seeds = counted ? std::to_string(d.seeds.size()) : seeds;
  draft.design = d.design;
  draft.samples = d.samples;
  draft.trajectories = d.trajectories;
  draft.levels = d.levels;
  draft.designSeed = std::to_string(d.designSeed);
  draft.keep = d.keep;
  return draft;
}

}  // namespace vk

#include "experiment/DraftText.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <set>
#include <sstream>

#include "experiment/ExperimentRecord.h"
#include "io/RunError.h"

namespace vk {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> commaSeparated(const std::string& text) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = text.find(',', start);
    const std::string item =
        trimmedText(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (!item.empty()) items.push_back(item);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return items;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

std::string absoluteIn(const std::string& name, const std::string& folder) {
  return fs::path(name).is_absolute() ? name : (fs::path(folder) / name).lexically_normal().string();
}

std::string trimmedText(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string shortestNumber(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

std::string numberText(const std::string& typed, const std::string& what) {
  const std::string text = trimmedText(typed);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    throw RunError(what + ": '" + text.substr(0, 40) + "' is not a number");
  return shortestNumber(value);
}

std::string wholeText(const std::string& typed, const std::string& what) {
  const std::string text = trimmedText(typed);
  unsigned long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > 9223372036854775807ULL)
    throw RunError(what + ": '" + text.substr(0, 40) + "' is not a whole number from 0");
  return std::to_string(value);
}

std::string seedsText(const std::string& typed) {
  std::string text = trimmedText(typed);
  const bool bracketed = text.size() >= 2 && text.front() == '[' && text.back() == ']';
  if (bracketed) text = text.substr(1, text.size() - 2);
  const std::vector<std::string> items = commaSeparated(text);
  if (items.empty()) throw RunError("seeds: give a count such as 5 or a list such as 0, 17, 42");
  if (!bracketed && text.find(',') == std::string::npos) return wholeText(items[0], "seeds");
  std::vector<std::string> seeds;
  for (const std::string& item : items) seeds.push_back(wholeText(item, "a seed"));
  return tomlList(seeds);
}

std::string typedSeeds(const std::vector<ExperimentSeed>& seeds) {
  std::string listed;
  bool counted = true;
  for (std::size_t i = 0; i < seeds.size(); ++i) {
    counted = counted && seeds[i] == i;
    listed += (i ? ", " : "") + std::to_string(seeds[i]);
  }
  return counted ? std::to_string(seeds.size()) : listed;
}

std::string relativeBelow(const std::string& file, const std::string& folder) {
  if (file.empty() || !fs::path(file).is_absolute()) return file;
  const fs::path relative = fs::path(file).lexically_normal().lexically_relative(fs::path(folder).lexically_normal());
  if (relative.empty() || *relative.begin() == "..") return file;
  return relative.string();
}

std::string tomlList(const std::vector<std::string>& items) {
  std::string text = "[";
  for (std::size_t i = 0; i < items.size(); ++i) text += (i ? ", " : "") + items[i];
  return text + "]";
}

std::string inputsText(const DraftInputs& d, const std::string& folder) {
  if (trimmedText(d.inputs).empty())
    throw RunError("inputs: name the folder with para.txt, wdata.txt and the market files");
  const std::string inputs = absoluteIn(d.inputs, folder);
  std::string text = "inputs = " + tomlString(relativeBelow(inputs, folder)) + "\n";
  if (!d.mode.empty()) text += "mode = " + tomlString(d.mode) + "\n";
  for (const auto& [key, file] : {std::pair{"price", d.price}, {"data", d.data}, {"wdata", d.wdata}})
    if (!file.empty()) text += std::string(key) + " = " + tomlString(relativeBelow(file, inputs)) + "\n";
  return text;
}

DraftInputs draftInputsOf(const std::string& inputs, const std::string& mode, const std::string& price,
                          const std::string& data, const std::string& wdata) {
  const auto unlessDefault = [&inputs](const std::string& file, const char* fallback) {
    return file == (fs::path(inputs) / fallback).string() ? std::string() : relativeBelow(file, inputs);
  };
  DraftInputs d;
  d.inputs = inputs;
  d.mode = mode;
  d.price = unlessDefault(price, "price.txt");
  d.data = unlessDefault(data, "data.txt");
  d.wdata = unlessDefault(wdata, "wdata.txt");
  return d;
}

std::vector<std::pair<int, std::string>> linesNotKept(const std::string& text, const std::string& written) {
  std::set<std::string> kept;
  for (const std::string& line : linesOf(written)) kept.insert(trimmedText(line));
  std::vector<std::pair<int, std::string>> lost;
  const std::vector<std::string> lines = linesOf(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string line = trimmedText(lines[i]);
    if (!line.empty() && kept.count(line) == 0) lost.push_back({static_cast<int>(i) + 1, line});
  }
  return lost;
}

}  // namespace vk

#include "experiment/Description.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <tuple>

#include <toml++/toml.h>

#include "io/RunError.h"
#include "io/TextFormat.h"
#include "run/ParameterFile.h"

namespace vk {

namespace fs = std::filesystem;

namespace {

const char* const kRecordTable = "provenance";

SourcePlace placeOf(const toml::node& node) {
  return {static_cast<int>(node.source().begin.line), static_cast<int>(node.source().begin.column)};
}

SourcePlace placeOf(const toml::key& key) {
  return {static_cast<int>(key.source().begin.line), static_cast<int>(key.source().begin.column)};
}

std::string inQuotes(const std::string& text) { return "'" + text.substr(0, 60) + "'"; }
// A file name is shown whole: a shortened one would name another file.
std::string fileInQuotes(const std::string& file) { return "'" + file + "'"; }

std::string typeName(const toml::node& node) {
  switch (node.type()) {
    case toml::node_type::string:
      return "a text";
    case toml::node_type::integer:
      return "a whole number";
    case toml::node_type::floating_point:
      return "a real number";
    case toml::node_type::boolean:
      return "true or false";
    case toml::node_type::array:
      return "a list";
    case toml::node_type::table:
      return "a table";
    default:
      return "a date or time";
  }
}

// The parameters of para.txt an experiment varies: all but the mode word,
// which the description's mode sets for every run.
const ParameterField* variableParameter(const std::string& name) {
  const ParameterField* field = findParameter(name);
  return field && field->kind != ParameterKind::Word ? field : nullptr;
}

std::string allowedVaryNames() {
  std::string names;
  for (const ParameterField& f : parameterFields())
    if (f.kind != ParameterKind::Word) names += std::string(f.name) + ", ";
  return names + "wdata, market";
}

class DescriptionReader {
 public:
  explicit DescriptionReader(Description& d) : d_(d) {}

  [[noreturn]] void fail(SourcePlace place, const std::string& what) const { failAt(d_, place, what); }

  // Refuses every key of the table not in `allowed`.
  void onlyKeys(const toml::table& table, const std::set<std::string>& allowed, const std::string& where) const {
    for (auto&& [key, node] : table)
      if (allowed.count(std::string(key.str())) == 0) {
        std::string list;
        for (const std::string& name : allowed) list += (list.empty() ? "" : ", ") + name;
        fail(placeOf(key),
             "unknown name " + inQuotes(std::string(key.str())) + " in " + where + "; the names are: " + list);
      }
  }

  std::string text(const toml::node& node, const std::string& what) const {
    if (!node.is_string()) fail(placeOf(node), what + " must be a text in quotes, not " + typeName(node));
    const std::string& value = node.as_string()->get();
    // A NUL would cut the name short in every message and put a raw NUL into
    // results.csv.
    if (value.find('\0') != std::string::npos)
      fail(placeOf(node), what + " holds a NUL character (\\u0000), which no file name may hold");
    return value;
  }

  long long whole(const toml::node& node, const std::string& what) const {
    if (!node.is_integer()) fail(placeOf(node), what + " must be a whole number, not " + typeName(node));
    return node.as_integer()->get();
  }

  double number(const toml::node& node, const std::string& what, bool integer) const {
    if (node.is_integer()) return static_cast<double>(node.as_integer()->get());
    if (node.is_floating_point() && !integer) {
      const double v = node.as_floating_point()->get();
      if (!std::isfinite(v)) fail(placeOf(node), what + " must be a finite number");
      return v;
    }
    fail(placeOf(node), what + " must be " + (integer ? "a whole number" : "a number") + ", not " + typeName(node));
  }

  std::string resolved(const std::string& name) const {
    const fs::path path(name);
    return (path.is_absolute() ? path : fs::path(d_.base) / path).lexically_normal().string();
  }

  // A file named in the description, which must exist now.
  std::string existingFile(const toml::node& node, const std::string& what, const std::string& relativeTo) const {
    const std::string name = text(node, what);
    const fs::path path(name);
    const std::string file = (path.is_absolute() ? path : fs::path(relativeTo) / path).lexically_normal().string();
    std::error_code error;
    if (!fs::is_regular_file(file, error))
      fail(placeOf(node), what + " " + fileInQuotes(file) + " does not exist or is not a file");
    return file;
  }

  void read(const toml::table& root, bool record) {
    std::set<std::string> topKeys = {"inputs", "mode",         "price",  "data",  "wdata",
                                     "vary",   "replications", "design", "output"};
    if (record) topKeys.insert(kRecordTable);
    onlyKeys(root, topKeys, "the description");
    if (record) readRecord(root);
    // sweep run writes the record whole, and its [provenance] last: a record
    // without its plan and base was cut short, and its names would resolve
    // against the wrong folder.
    if (record && (d_.recordedPlan.empty() || d_.recordedBase.empty()))
      fail({1, 1},
           "the record is incomplete: its [provenance] table with the plan and the folder names "
           "resolve against is missing or cut short");

    const toml::node* inputs = root.get("inputs");
    if (!inputs) fail({1, 1}, "the description must name its inputs folder: inputs = \"folder\"");
    d_.inputs = resolved(text(*inputs, "inputs"));
    std::error_code error;
    if (!fs::is_directory(d_.inputs, error))
      fail(placeOf(*inputs), "the inputs folder " + fileInQuotes(d_.inputs) + " does not exist");
    if (!fs::is_regular_file(fs::path(d_.inputs) / "para.txt", error))
      fail(placeOf(*inputs), "the inputs folder " + fileInQuotes(d_.inputs) + " holds no para.txt");

    if (const toml::node* mode = root.get("mode")) {
      d_.mode = text(*mode, "mode");
      if (d_.mode != "write" && d_.mode != "all")
        fail(placeOf(*mode), "mode " + inQuotes(d_.mode) +
                                 " cannot be used: an experiment needs the run report of every path, which the "
                                 "modes write and all make");
    }
    d_.wdata = fileOrDefault(root, "wdata", "wdata.txt", "the weight structure file");
    d_.market.price = fileOrDefault(root, "price", "price.txt", "the price file");
    d_.market.data = fileOrDefault(root, "data", "data.txt", "the data file");
    d_.market.name = fs::path(d_.market.price).filename().string();

    if (const toml::node* vary = root.get("vary")) readVary(*vary);
    readReplications(root.get("replications"));
    readDesign(root.get("design"));
    readOutput(root.get("output"));
  }

 private:
  std::string fileOrDefault(const toml::table& root, const char* key, const char* fallback, const std::string& what) {
    if (const toml::node* node = root.get(key)) return existingFile(*node, what, d_.inputs);
    const std::string file = (fs::path(d_.inputs) / fallback).string();
    std::error_code error;
    // Checked only if no entry of [vary] replaces it; see checkDefaultsUsed.
    if (!fs::is_regular_file(file, error)) missingDefaults_.push_back({key, file});
    return file;
  }

  void readRecord(const toml::table& root) {
    const toml::node* record = root.get(kRecordTable);
    if (!record || !record->is_table()) return;
    const toml::table& table = *record->as_table();
    if (const toml::node* plan = table.get("plan")) d_.recordedPlan = text(*plan, "provenance.plan");
    if (const toml::node* base = table.get("base")) {
      d_.recordedBase = text(*base, "provenance.base");
      d_.base = d_.recordedBase;
    }
    if (const toml::node* hashes = table.get("sha256"); hashes && hashes->is_table())
      for (const auto& [file, hash] : *hashes->as_table())
        d_.recordedInputs.emplace_back(std::string(file.str()), text(hash, "provenance.sha256"));
  }

  void readVary(const toml::node& node) {
    if (!node.is_table()) fail(placeOf(node), "vary must be a table: [vary]");
    // toml++ keeps keys sorted; the table's columns follow the file's order.
    std::vector<std::pair<SourcePlace, const toml::key*>> keys;
    for (auto&& [key, value] : *node.as_table()) keys.push_back({placeOf(key), &key});
    std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
      return a.first.line != b.first.line ? a.first.line < b.first.line : a.first.column < b.first.column;
    });
    for (const auto& [place, key] : keys)
      readVaryEntry(std::string(key->str()), place, *node.as_table()->get(key->str()));
  }

  void readVaryEntry(const std::string& name, SourcePlace place, const toml::node& value) {
    VaryEntry entry;
    entry.name = name;
    entry.place = place;
    const std::string what = "vary." + name;
    if (name == "wdata") {
      entry.kind = VaryKind::WeightStructure;
      for (const toml::node& item : listOf(value, what)) {
        entry.names.push_back(text(item, what));
        entry.files.push_back(existingFile(item, "the weight structure file", d_.inputs));
        uniqueName(entry.names, item, what);
      }
    } else if (name == "market") {
      entry.kind = VaryKind::Market;
      for (const toml::node& item : listOf(value, what)) {
        if (!item.is_table())
          fail(placeOf(item),
               what + " lists tables such as { price = \"price.txt\", data = \"data.txt\" }, not " + typeName(item));
        const toml::table& market = *item.as_table();
        onlyKeys(market, {"price", "data", "name"}, what);
        const toml::node* price = market.get("price");
        const toml::node* data = market.get("data");
        if (!price || !data) fail(placeOf(item), what + ": each market names its price and its data file");
        MarketFiles files;
        files.price = existingFile(*price, "the price file", d_.inputs);
        files.data = existingFile(*data, "the data file", d_.inputs);
        files.name = market.get("name") ? text(*market.get("name"), what + ".name") : text(*price, "price");
        entry.names.push_back(files.name);
        entry.markets.push_back(files);
        uniqueName(entry.names, item, what);
      }
    } else {
      const ParameterField* parameter = variableParameter(name);
      if (!parameter)
        fail(place, "unknown name " + inQuotes(name) + " in [vary]; the names are: " + allowedVaryNames());
      entry.integer = parameter->kind == ParameterKind::Whole;
      if (value.is_table()) {
        readRange(entry, *value.as_table(), what);
      } else {
        for (const toml::node& item : listOf(value, what)) {
          const double v = number(item, what, entry.integer);
          checkProbability(name, v, item, what);
          // Each value would run twice, and its runs count twice in every summary.
          if (std::find(entry.numbers.begin(), entry.numbers.end(), v) != entry.numbers.end())
            fail(placeOf(item), what + " lists " + general(v, 10) + " twice");
          entry.numbers.push_back(v);
          entry.numberPlaces.push_back(placeOf(item));
        }
      }
    }
    for (const VaryEntry& other : d_.vary)
      if (other.kind != VaryKind::Parameter && other.kind == entry.kind) fail(place, what + " is given twice");
    d_.vary.push_back(entry);
  }

  // A listed share the genetic learning gives no meaning would run to done.
  void checkProbability(const std::string& name, double value, const toml::node& node, const std::string& what) const {
    const ParameterField* field = findParameter(name);
    if (field && !meaningfulShare(*field, value))
      fail(placeOf(node), what + " = " + general(value, 10) + " is a probability and must lie in 0..1");
  }

  void readRange(VaryEntry& entry, const toml::table& range, const std::string& what) {
    onlyKeys(range, {"from", "to", "steps"}, what);
    const toml::node* from = range.get("from");
    const toml::node* to = range.get("to");
    if (!from || !to) fail(entry.place, what + ": a range needs from and to, e.g. { from = 0.1, to = 0.5, steps = 4 }");
    entry.isRange = true;
    entry.from = number(*from, what + ".from", entry.integer);
    entry.to = number(*to, what + ".to", entry.integer);
    checkProbability(entry.name, entry.from, *from, what + ".from");
    checkProbability(entry.name, entry.to, *to, what + ".to");
    // A sampled whole number is converted to int: past its range the value
    // would be undefined.
    for (const auto& [node, end, value] : {std::tuple{from, ".from", entry.from}, std::tuple{to, ".to", entry.to}})
      if (entry.integer && (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()))
        fail(placeOf(*node), what + end + " = " + general(value, 19) + " lies outside the whole numbers a run holds (" +
                                 plainInt(std::numeric_limits<int>::min()) + ".." +
                                 plainInt(std::numeric_limits<int>::max()) + ")");
    if (const toml::node* steps = range.get("steps")) {
      const long long n = whole(*steps, what + ".steps");
      if (n < 1 || n > 1000000)
        fail(placeOf(*steps), what + ".steps = " + std::to_string(n) + " must be 1..1000000 (the count of intervals)");
      entry.steps = static_cast<int>(n);
    }
  }

  std::vector<std::reference_wrapper<const toml::node>> listOf(const toml::node& value, const std::string& what) const {
    if (!value.is_array())
      fail(placeOf(value),
           what + " must be a list [..] or a range { from = .., to = .., steps = .. }, not " + typeName(value));
    std::vector<std::reference_wrapper<const toml::node>> items;
    for (const toml::node& item : *value.as_array()) items.push_back(item);
    if (items.empty()) fail(placeOf(value), what + " is an empty list");
    return items;
  }

  void uniqueName(const std::vector<std::string>& names, const toml::node& item, const std::string& what) const {
    for (std::size_t i = 0; i + 1 < names.size(); ++i)
      if (names[i] == names.back()) fail(placeOf(item), what + " names " + inQuotes(names.back()) + " twice");
  }

  void readReplications(const toml::node* node) {
    d_.seeds = {0};
    if (!node) return;
    if (!node->is_table()) fail(placeOf(*node), "replications must be a table: [replications]");
    const toml::table& table = *node->as_table();
    onlyKeys(table, {"seeds"}, "[replications]");
    const toml::node* seeds = table.get("seeds");
    if (!seeds) return;
    d_.seeds.clear();
    if (seeds->is_integer()) {
      const long long n = seeds->as_integer()->get();
      if (n < 1 || n > 1000000) fail(placeOf(*seeds), "seeds = " + std::to_string(n) + " must be 1..1000000");
      for (long long i = 0; i < n; ++i) d_.seeds.push_back(static_cast<ExperimentSeed>(i));
      return;
    }
    std::set<long long> seen;
    for (const toml::node& item : listOf(*seeds, "seeds")) {
      const long long seed = whole(item, "a seed");
      if (seed < 0)
        fail(placeOf(item), "the seed " + std::to_string(seed) + " is negative; seeds are whole numbers from 0");
      if (!seen.insert(seed).second) fail(placeOf(item), "the seed " + std::to_string(seed) + " is listed twice");
      d_.seeds.push_back(static_cast<ExperimentSeed>(seed));
    }
  }

  void readDesign(const toml::node* node) {
    if (node) {
      if (!node->is_table()) fail(placeOf(*node), "design must be a table: [design]");
      const toml::table& table = *node->as_table();
      onlyKeys(table, {"kind", "samples", "seed", "trajectories", "levels"}, "[design]");
      if (const toml::node* kind = table.get("kind")) readDesignKind(*kind);
      const bool sampled = d_.design != DesignKind::Grid;
      const bool counted = sampled && d_.design != DesignKind::Morris;
      const std::string word = designWord(d_.design);
      if (const toml::node* samples = table.get("samples")) {
        if (!counted) fail(placeOf(*samples), "samples applies to the designs lhs, sobol and saltelli, not to " + word);
        d_.samples = wholeIn(*samples, "design.samples", 1, 1000000);
      } else if (counted) {
        fail(placeOf(*node), "the design " + word + " needs samples = N");
      }
      for (const char* key : {"trajectories", "levels"}) {
        const toml::node* value = table.get(key);
        if (value && d_.design != DesignKind::Morris)
          fail(placeOf(*value), std::string("design.") + key + " applies to the design morris, not to " + word);
        if (!value && d_.design == DesignKind::Morris)
          fail(placeOf(*node), "the design morris needs trajectories = R and levels = P");
      }
      if (d_.design == DesignKind::Morris) {
        d_.trajectories = wholeIn(*table.get("trajectories"), "design.trajectories", 1, 1000000);
        d_.levels = wholeIn(*table.get("levels"), "design.levels", 2, 1000);
        if (d_.levels % 2 != 0)
          fail(placeOf(*table.get("levels")),
               "design.levels = " + std::to_string(d_.levels) +
                   " must be even, so that every step of a trajectory moves by the same half of the levels");
      }
      if (const toml::node* seed = table.get("seed")) {
        if (!sampled) fail(placeOf(*seed), "design.seed applies to sampled designs, not to a grid");
        const long long k = whole(*seed, "design.seed");
        if (k < 0) fail(placeOf(*seed), "design.seed must be a whole number from 0");
        d_.designSeed = static_cast<ExperimentSeed>(k);
      }
    }
    for (const VaryEntry& entry : d_.vary) {
      if (d_.design == DesignKind::Grid && entry.isRange && entry.steps == 0)
        fail(entry.place, "vary." + entry.name + ": a range in a grid needs steps = N (the count of intervals)");
      if (d_.design != DesignKind::Grid && !entry.isRange)
        fail(entry.place, "vary." + entry.name + ": the design " + designWord(d_.design) +
                              " samples ranges only, such as { from = 0.1, to = 0.5 }; give lists in a grid");
      if (d_.design != DesignKind::Grid && entry.steps != 0)
        fail(entry.place, "vary." + entry.name + ": steps applies to a grid; the design " + designWord(d_.design) +
                              " draws its own points");
    }
    checkDefaultsUsed();
  }

  void readDesignKind(const toml::node& kind) {
    const std::string word = text(kind, "design.kind");
    for (DesignKind k :
         {DesignKind::Grid, DesignKind::LatinHypercube, DesignKind::Sobol, DesignKind::Saltelli, DesignKind::Morris})
      if (word == designWord(k)) {
        d_.design = k;
        return;
      }
    fail(placeOf(kind), "design.kind " + inQuotes(word) + " is none of grid, lhs, sobol, saltelli, morris");
  }

  int wholeIn(const toml::node& node, const std::string& what, int low, int high) {
    const long long n = whole(node, what);
    if (n < low || n > high)
      fail(placeOf(node),
           what + " = " + std::to_string(n) + " must be " + std::to_string(low) + ".." + std::to_string(high));
    return static_cast<int>(n);
  }

  void readOutput(const toml::node* node) {
    if (!node) return;
    if (!node->is_table()) fail(placeOf(*node), "output must be a table: [output]");
    const toml::table& table = *node->as_table();
    onlyKeys(table, {"keep"}, "[output]");
    const toml::node* keep = table.get("keep");
    if (!keep) return;
    const std::string word = text(*keep, "output.keep");
    if (word == "all")
      d_.keep = OutputKeep::All;
    else if (word == "summaries")
      d_.keep = OutputKeep::Summaries;
    else
      fail(placeOf(*keep), "output.keep " + inQuotes(word) +
                               " is none of all (every file of every run) and summaries (each run's report and "
                               "facts, and what reruns it)");
  }

  // A default input file that no entry of [vary] replaces must exist.
  void checkDefaultsUsed() const {
    for (const auto& [key, file] : missingDefaults_) {
      const VaryKind replacedBy = key == "wdata" ? VaryKind::WeightStructure : VaryKind::Market;
      bool replaced = false;
      for (const VaryEntry& entry : d_.vary) replaced = replaced || entry.kind == replacedBy;
      if (!replaced)
        fail({1, 1}, "the inputs folder has no " + fs::path(file).filename().string() + " (" + fileInQuotes(file) +
                         "); name the file with " + key + " = \"...\"");
    }
  }

  Description& d_;
  std::vector<std::pair<std::string, std::string>> missingDefaults_;
};

Description readFrom(const std::string& path, bool record) {
  Description d;
  d.sourceName = path;
  d.base = fs::absolute(path).parent_path().lexically_normal().string();
  std::ifstream in(path, std::ios::binary);
  if (!in) throwFileError("open file for reading", path, errno);
  d.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) throwFileError("read file", path, errno);
  toml::table root;
  try {
    root = toml::parse(d.text, path);
  } catch (const toml::parse_error& e) {
    failAt(d, {static_cast<int>(e.source().begin.line), static_cast<int>(e.source().begin.column)},
           std::string(e.description()));
  }
  DescriptionReader(d).read(root, record);
  return d;
}

}  // namespace

const char* designWord(DesignKind kind) {
  switch (kind) {
    case DesignKind::Grid:
      return "grid";
    case DesignKind::LatinHypercube:
      return "lhs";
    case DesignKind::Sobol:
      return "sobol";
    case DesignKind::Saltelli:
      return "saltelli";
    case DesignKind::Morris:
      return "morris";
    case DesignKind::Listed:
      return "listed";
  }
  return "";
}

void failAt(const Description& d, SourcePlace place, const std::string& what) {
  throw RunError(d.sourceName + ", line " + std::to_string(place.line) + ", column " + std::to_string(place.column) +
                 ": " + what);
}

Description readDescription(const std::string& path) { return readFrom(path, false); }

Description readRecordedDescription(const std::string& path) { return readFrom(path, true); }

}  // namespace vk

#include "calibration/CalibrationDescription.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>

#include <toml++/toml.h>

#include "analysis/StylizedFacts.h"
#include "io/RunError.h"
#include "io/SplitMix.h"

namespace vk {

namespace fs = std::filesystem;

namespace {

SourcePlace placeOf(const toml::node& node) {
  return {static_cast<int>(node.source().begin.line), static_cast<int>(node.source().begin.column)};
}

SourcePlace placeOf(const toml::key& key) {
  return {static_cast<int>(key.source().begin.line), static_cast<int>(key.source().begin.column)};
}

// These set which weeks and paths the moments are taken over, so a search
// over them would compare moments of different series.
const std::set<std::string> kFixedShape = {"minyear", "maxyear", "teachyear", "simtimes"};

// Columns of the facts table that describe the series' length, not its
// behaviour.
bool isMoment(int column) { return column != kFactN && column != kFactHillK; }

std::string joinedNames(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

// A series of distinct changes: a moment undefined on it needs more weeks.
std::vector<double> probeSeries(int weeks) {
  std::vector<double> y;
  std::uint64_t counter = 0;
  for (int i = 0; i < weeks; ++i) {
    counter += kSplitMixIncrement;
    y.push_back(static_cast<double>(splitMixBits(counter) >> 11) / 9007199254740992.0 - 0.5);
  }
  return y;
}

class CalibrationReader {
 public:
  explicit CalibrationReader(CalibrationDescription& c) : c_(c) { messages_.sourceName = c.sourceName; }

  void read(const toml::table& root) {
    onlyKeys(root, {"inputs", "mode", "price", "data", "wdata", "estimate", "moments", "replications", "search"},
             "the description");
    readInputs(root);
    readEstimate(table(root, "estimate", true));
    readMoments(table(root, "moments", true));
    readReplications(table(root, "replications", false));
    readSearch(table(root, "search", false));
  }

 private:
  [[noreturn]] void fail(SourcePlace place, const std::string& what) const { failAt(messages_, place, what); }

  void onlyKeys(const toml::table& t, const std::set<std::string>& allowed, const std::string& where) const {
    for (auto&& [key, node] : t)
      if (allowed.count(std::string(key.str())) == 0) {
        std::string list;
        for (const std::string& name : allowed) list += (list.empty() ? "" : ", ") + name;
        fail(placeOf(key),
             "unknown name " + vk::quoted(std::string(key.str())) + " in " + where + "; the names are: " + list);
      }
  }

  const toml::table* table(const toml::table& root, const char* name, bool required) const {
    const toml::node* node = root.get(name);
    if (!node) {
      if (required) fail({1, 1}, std::string("the description needs a table [") + name + "]");
      return nullptr;
    }
    if (!node->is_table()) fail(placeOf(*node), std::string(name) + " must be a table: [" + name + "]");
    return node->as_table();
  }

  std::string text(const toml::node& node, const std::string& what) const {
    if (!node.is_string()) fail(placeOf(node), what + " must be a text in quotes");
    return node.as_string()->get();
  }

  long long whole(const toml::node& node, const std::string& what) const {
    if (!node.is_integer()) fail(placeOf(node), what + " must be a whole number");
    return node.as_integer()->get();
  }

  double number(const toml::node& node, const std::string& what, bool integer) const {
    if (node.is_integer()) return static_cast<double>(node.as_integer()->get());
    if (node.is_floating_point() && !integer && std::isfinite(node.as_floating_point()->get()))
      return node.as_floating_point()->get();
    fail(placeOf(node), what + " must be " + (integer ? "a whole number" : "a finite number"));
  }

  std::string resolved(const std::string& name, const std::string& against) const {
    const fs::path path(name);
    return (path.is_absolute() ? path : fs::path(against) / path).lexically_normal().string();
  }

  std::string inputFile(const toml::table& root, const char* key, const char* fallback, const std::string& what) {
    const toml::node* node = root.get(key);
    const std::string file = node ? resolved(text(*node, key), c_.inputs) : resolved(fallback, c_.inputs);
    std::error_code error;
    if (!fs::is_regular_file(file, error))
      fail(node ? placeOf(*node) : SourcePlace{1, 1}, what + " '" + file + "' does not exist or is not a file");
    return file;
  }

  void readInputs(const toml::table& root) {
    const toml::node* inputs = root.get("inputs");
    if (!inputs) fail({1, 1}, "the description must name its inputs folder: inputs = \"folder\"");
    c_.inputs = resolved(text(*inputs, "inputs"), c_.base);
    std::error_code error;
    if (!fs::is_regular_file(fs::path(c_.inputs) / "para.txt", error))
      fail(placeOf(*inputs), "the inputs folder '" + c_.inputs + "' holds no para.txt");
    const std::string paraFile = (fs::path(c_.inputs) / "para.txt").string();
    c_.parameters = readParameterFile(paraFile);
    if (const toml::node* mode = root.get("mode")) {
      c_.mode = text(*mode, "mode");
      c_.parameters.runMode = c_.mode;
      if (c_.parameters.runMode != "write" && c_.parameters.runMode != "all")
        fail(placeOf(*mode), "mode " + vk::quoted(c_.parameters.runMode) +
                                 " cannot be used: a calibration reads every path's changes, which the modes "
                                 "write and all make");
    } else if (c_.parameters.runMode != "write" && c_.parameters.runMode != "all") {
      fail(placeOf(*inputs), paraFile + " runs in mode " + vk::quoted(c_.parameters.runMode) +
                                 "; set mode = \"write\" in the description");
    }
    checkParameterFile(c_.parameters, paraFile);
    c_.wdata = inputFile(root, "wdata", "wdata.txt", "the weight structure file");
    c_.market.price = inputFile(root, "price", "price.txt", "the price file");
    c_.market.data = inputFile(root, "data", "data.txt", "the data file");
    c_.market.name = fs::path(c_.market.price).filename().string();
    c_.firstSimulatedWeek = c_.parameters.minyear + c_.parameters.teachyear;
    c_.lastSimulatedWeek = c_.parameters.maxyear;
  }

  void readEstimate(const toml::table* t) {
    std::vector<std::pair<SourcePlace, std::string>> keys;
    for (auto&& [key, value] : *t) keys.push_back({placeOf(key), std::string(key.str())});
    // toml++ keeps keys sorted; the report follows the file's order.
    std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
      return a.first.line != b.first.line ? a.first.line < b.first.line : a.first.column < b.first.column;
    });
    if (keys.empty() || keys.size() > static_cast<std::size_t>(kMaxEstimated))
      fail({1, 1}, "[estimate] names " + std::to_string(keys.size()) + " parameters; a calibration estimates 1 to " +
                       std::to_string(kMaxEstimated));
    for (const auto& [place, name] : keys) readEstimated(name, place, *t->get(name));
  }

  void readEstimated(const std::string& name, SourcePlace place, const toml::node& value) {
    const ParameterField* field = findParameter(name);
    if (!field || field->kind == ParameterKind::Word) {
      fail(place, "unknown parameter " + vk::quoted(name) +
                      " in [estimate]; the names are: " + joinedNames(estimableParameters()));
    }
    if (kFixedShape.count(name) > 0)
      fail(place, name + " sets the weeks or paths the moments are taken over and cannot be estimated");
    const std::string what = "estimate." + name;
    if (!value.is_table()) fail(placeOf(value), what + " must be a range such as { from = 0.002, to = 0.008 }");
    const toml::table& range = *value.as_table();
    onlyKeys(range, {"from", "to"}, what);
    const toml::node* from = range.get("from");
    const toml::node* to = range.get("to");
    if (!from || !to) fail(place, what + " needs from and to, such as { from = 0.002, to = 0.008 }");
    EstimatedParameter p;
    p.name = name;
    p.place = place;
    p.integer = field->kind == ParameterKind::Whole;
    p.from = number(*from, what + ".from", p.integer);
    p.to = number(*to, what + ".to", p.integer);
    if (!(p.from < p.to)) fail(placeOf(*from), what + ": from must lie below to");
    for (const auto& [end, node] : {std::pair<double, const toml::node*>{p.from, from}, {p.to, to}})
      checkEnd(p, end, *node);
    for (const EstimatedParameter& other : c_.estimate)
      if (other.name == name) fail(place, what + " is given twice");
    c_.estimate.push_back(p);
  }

  // Each end of the range must be a value the run accepts with the inputs'
  // other parameters; the limits are intervals, so the ends decide.
  void checkEnd(const EstimatedParameter& p, double end, const toml::node& node) const {
    Parameters trial = c_.parameters;
    char textValue[64];
    std::snprintf(textValue, sizeof textValue, p.integer ? "%.0f" : "%.5f", end);
    if (!p.integer && std::fabs(std::round(end * 1e5) / 1e5 - end) > 1e-12)
      fail(placeOf(node),
           "estimate." + p.name + " = " + textValue + "... has more than the five decimals para.txt keeps");
    try {
      setParameter(trial, p.name, textValue, "[estimate]");
      checkParameters(trial, "[estimate]");
    } catch (const RunError& e) {
      fail(placeOf(node), e.what());
    }
    const ParameterField* field = findParameter(p.name);
    // The run would take such a probability, with a warning; a search must
    // not spend candidates on values the genetic learning gives no meaning.
    if (!meaningfulShare(*field, end))
      fail(placeOf(node), "estimate." + p.name + " = " + textValue + " is a probability and must lie in 0..1");
    if (field->limit.rule == ParameterLimit::NonZero && p.from < 0 && p.to > 0)
      fail(placeOf(node), "estimate." + p.name + " must not be 0, and the range crosses it");
  }

  void readMoments(const toml::table* t) {
    onlyKeys(*t, {"use", "weights"}, "[moments]");
    const toml::node* use = t->get("use");
    if (!use || !use->is_array() || use->as_array()->empty())
      fail(use ? placeOf(*use) : SourcePlace{1, 1}, "[moments] needs use = [\"std\", ...], a list of moment names");
    const std::vector<double> probe = probeSeries(c_.lastSimulatedWeek - c_.firstSimulatedWeek + 1);
    const FactRow probed = stylizedFacts(probe, &probe);
    for (const toml::node& item : *use->as_array()) {
      const std::string name = text(item, "a moment");
      int column = -1;
      for (int col = 0; col < kFactColumns; ++col)
        if (isMoment(col) && factColumnName(col) == name) column = col;
      if (column < 0)
        fail(placeOf(item), "unknown moment " + vk::quoted(name) + "; the moments are: " + joinedNames(momentNames()));
      if (std::find(c_.moments.begin(), c_.moments.end(), name) != c_.moments.end())
        fail(placeOf(item), "the moment " + name + " is listed twice");
      if (!probed[static_cast<std::size_t>(column)])
        fail(placeOf(item), "the moment " + name + " needs more than the " + std::to_string(probe.size()) +
                                " simulated weeks (" + std::to_string(c_.firstSimulatedWeek) + ".." +
                                std::to_string(c_.lastSimulatedWeek) + ") the inputs' para.txt gives");
      c_.moments.push_back(name);
      c_.momentColumns.push_back(column);
    }
    if (const toml::node* weights = t->get("weights")) {
      const std::string word = text(*weights, "weights");
      const auto named = std::find_if(std::begin(kWeightKinds), std::end(kWeightKinds),
                                      [&word](WeightKind kind) { return word == weightKindName(kind); });
      if (named == std::end(kWeightKinds))
        fail(placeOf(*weights), "weights " + vk::quoted(word) + " is none of simulated, bootstrap, diagonal, identity");
      c_.weights = *named;
    }
  }

  void readReplications(const toml::table* t) {
    c_.seeds = {0};
    const toml::node* seeds = t ? t->get("seeds") : nullptr;
    if (t) onlyKeys(*t, {"seeds"}, "[replications]");
    if (seeds && seeds->is_integer()) {
      const long long n = seeds->as_integer()->get();
      if (n < 1 || n > 10000) fail(placeOf(*seeds), "seeds = " + std::to_string(n) + " must be 1..10000");
      c_.seeds.clear();
      for (long long i = 0; i < n; ++i) c_.seeds.push_back(static_cast<ExperimentSeed>(i));
    } else if (seeds) {
      if (!seeds->is_array() || seeds->as_array()->empty())
        fail(placeOf(*seeds), "seeds must be a count or a list of seeds such as [0, 17, 42]");
      c_.seeds.clear();
      for (const toml::node& item : *seeds->as_array()) {
        const long long seed = whole(item, "a seed");
        if (seed < 0) fail(placeOf(item), "the seed " + std::to_string(seed) + " is negative");
        if (std::find(c_.seeds.begin(), c_.seeds.end(), static_cast<ExperimentSeed>(seed)) != c_.seeds.end())
          fail(placeOf(item), "the seed " + std::to_string(seed) + " is listed twice");
        c_.seeds.push_back(static_cast<ExperimentSeed>(seed));
      }
    }
    if (c_.seeds.size() * static_cast<std::size_t>(c_.parameters.simtimes) < 2)
      fail(seeds ? placeOf(*seeds) : SourcePlace{1, 1},
           "the moments' spread across paths needs two simulated paths at least: more seeds, or simtimes above 1");
  }

  void readSearch(const toml::table* t) {
    const toml::node* budget = nullptr;
    if (t) {
      onlyKeys(*t, {"method", "budget", "seed", "tolerance"}, "[search]");
      if (const toml::node* method = t->get("method"))
        if (text(*method, "search.method") != "cmaes")
          fail(placeOf(*method), "search.method " + vk::quoted(text(*method, "")) + " is not cmaes, the one method");
      budget = t->get("budget");
      if (const toml::node* seed = t->get("seed")) {
        const long long k = whole(*seed, "search.seed");
        if (k < 0 || k > 4294967295LL) fail(placeOf(*seed), "search.seed must be 0..4294967295");
        c_.searchSeed = static_cast<std::uint64_t>(k);
      }
      if (const toml::node* tolerance = t->get("tolerance")) {
        c_.tolerance = number(*tolerance, "search.tolerance", false);
        c_.toleranceGiven = true;
        if (!(c_.tolerance > 0 && c_.tolerance < 1)) fail(placeOf(*tolerance), "search.tolerance must lie in (0, 1)");
      }
    }
    if (!budget) fail(t ? placeOf(*t) : SourcePlace{1, 1}, "[search] needs budget = N, the candidates at most");
    const long long n = whole(*budget, "search.budget");
    const int generation = generationSize(static_cast<int>(c_.estimate.size()));
    const int steps = searchSteps(c_.weights);
    if (n < static_cast<long long>(generation) * steps || n > 1000000)
      fail(placeOf(*budget), "search.budget = " + std::to_string(n) + " is smaller than " +
                                 (steps > 1 ? "one generation for each of the two searches of simulated weights (" +
                                                  std::to_string(steps) + " x "
                                            : std::string("one generation (")) +
                                 std::to_string(generation) + " candidates for " + std::to_string(c_.estimate.size()) +
                                 " parameters)");
    c_.budget = static_cast<int>(n);
  }

  CalibrationDescription& c_;
  Description messages_;
};

}  // namespace

int generationSize(int parameters) {
  const int byDefault = 4 + static_cast<int>(std::floor(3.0 * std::log(static_cast<double>(parameters))));
  return std::max(byDefault, kSmallestCmaesGeneration);
}

int searchSteps(WeightKind weights) { return weights == WeightKind::Simulated ? 2 : 1; }

const char* weightKindName(WeightKind kind) {
  switch (kind) {
    case WeightKind::Simulated:
      return "simulated";
    case WeightKind::Bootstrap:
      return "bootstrap";
    case WeightKind::Diagonal:
      return "diagonal";
    default:
      return "identity";
  }
}

std::vector<std::string> estimableParameters() {
  std::vector<std::string> names;
  for (const ParameterField& f : parameterFields())
    if (f.kind != ParameterKind::Word && kFixedShape.count(f.name) == 0) names.push_back(f.name);
  return names;
}

std::vector<std::string> momentNames() {
  std::vector<std::string> names;
  for (int c = 0; c < kFactColumns; ++c)
    if (isMoment(c)) names.push_back(factColumnName(c));
  return names;
}

CalibrationDescription readCalibrationDescription(const std::string& path) {
  CalibrationDescription c;
  c.sourceName = path;
  c.base = fs::absolute(path).parent_path().lexically_normal().string();
  std::ifstream in(path, std::ios::binary);
  if (!in) throwFileError("open file for reading", path, errno);
  c.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) throwFileError("read file", path, errno);
  Description messages;
  messages.sourceName = path;
  toml::table root;
  try {
    root = toml::parse(c.text, path);
  } catch (const toml::parse_error& e) {
    failAt(messages, {static_cast<int>(e.source().begin.line), static_cast<int>(e.source().begin.column)},
           std::string(e.description()));
  }
  CalibrationReader(c).read(root);
  return c;
}

}  // namespace vk

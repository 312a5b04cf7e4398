#include "calibration/CalibrationOutputs.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>

#include <toml++/toml.h>

#include "experiment/ResultsTable.h"
#include "io/RunError.h"
#include "io/TextReader.h"

namespace vk {

namespace fs = std::filesystem;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInfinity = std::numeric_limits<double>::infinity();
// evaluation, step, generation, candidate come before the parameters; loss,
// status, message end the row.
constexpr std::size_t kLeadingColumns = 4;
constexpr std::size_t kTrailingColumns = 3;

std::map<std::string, SearchRange> searchRanges(const std::string& file) {
  toml::table root;
  try {
    root = toml::parse_file(file);
  } catch (const toml::parse_error& e) {
    throw RunError(file + ", line " + std::to_string(e.source().begin.line) + ": " + std::string(e.description()));
  }
  const toml::table* estimate = root["estimate"].as_table();
  if (!estimate) throw RunError(file + " has no [estimate] table");
  std::map<std::string, SearchRange> ranges;
  for (auto&& [key, node] : *estimate) {
    const auto from = node.as_table() ? (*node.as_table())["from"].value<double>() : std::nullopt;
    const auto to = node.as_table() ? (*node.as_table())["to"].value<double>() : std::nullopt;
    if (!from || !to) throw RunError(file + ": estimate." + std::string(key.str()) + " has no range from .. to");
    ranges[std::string(key.str())] = {std::string(key.str()), *from, *to};
  }
  return ranges;
}

// A number of the file, or NaN for an empty field, or +infinity for "inf".
double numberOrEmpty(const ResultsTableReader& table, const std::vector<std::string>& fields, int column,
                     const char* why) {
  if (fields[static_cast<std::size_t>(column)].empty()) return kNaN;
  if (fields[static_cast<std::size_t>(column)] == "inf") return kInfinity;
  return table.number(fields, column, why);
}

int wholeNumber(const ResultsTableReader& table, const std::vector<std::string>& fields, int column,
                const std::string& file) {
  int value = 0;
  if (!parseInt(fields[static_cast<std::size_t>(column)], value))
    throw RunError(file + ", line " + std::to_string(table.line()) + ": '" +
                   fields[static_cast<std::size_t>(column)].substr(0, 40) + "' in column " +
                   table.header()[static_cast<std::size_t>(column)] + " is no whole number");
  return value;
}

void readEvaluations(const std::string& dir, CalibrationOutputs& out) {
  const std::string file = dir + "/evaluations.csv";
  ResultsTableReader table(file);
  // The record of the description gives the ranges; the header, the order.
  const std::map<std::string, SearchRange> ranges = searchRanges(dir + "/calibration.toml");
  const std::vector<std::string>& header = table.header();
  const std::size_t p = ranges.size();
  if (header.size() < kLeadingColumns + p + kTrailingColumns || header[0] != "evaluation" ||
      header[header.size() - kTrailingColumns] != "loss")
    throw RunError(file + ", line 1: not the header of a calibration's evaluations");
  for (std::size_t i = 0; i < p; ++i) {
    const auto range = ranges.find(header[kLeadingColumns + i]);
    if (range == ranges.end())
      throw RunError(file + ", line 1: the column " + header[kLeadingColumns + i] +
                     " is no parameter of the description's [estimate]");
    out.parameters.push_back(range->second);
  }
  const std::size_t firstMoment = kLeadingColumns + p;
  const std::size_t lossColumn = header.size() - kTrailingColumns;
  out.moments.assign(header.begin() + static_cast<std::ptrdiff_t>(firstMoment),
                     header.begin() + static_cast<std::ptrdiff_t>(lossColumn));
  for (std::vector<std::string> fields; table.next(fields);) {
    Evaluation e;
    e.evaluation = wholeNumber(table, fields, 0, file);
    e.step = fields[1];
    e.generation = wholeNumber(table, fields, 2, file);
    e.candidate = wholeNumber(table, fields, 3, file);
    for (std::size_t i = 0; i < p; ++i)
      e.values.push_back(table.number(fields, static_cast<int>(kLeadingColumns + i), "a parameter's value"));
    e.done = fields[lossColumn + 1] == "done";
    if (e.done)
      for (std::size_t k = firstMoment; k < lossColumn; ++k)
        e.moments.push_back(table.number(fields, static_cast<int>(k), "a simulated moment"));
    e.loss = numberOrEmpty(table, fields, static_cast<int>(lossColumn), "the loss");
    e.message = fields[lossColumn + 2];
    out.evaluations.push_back(std::move(e));
  }
}

void readReport(const std::string& file, CalibrationOutputs& out) {
  ResultsTableReader table(file);
  const int row = table.column("row", "the row's kind");
  const int name = table.column("name", "what the row is of");
  const int value = table.column("value", "the estimate or the fitted moment");
  const int se = table.column("standard_error", "the parameter's standard error");
  const int lower = table.column("lower_95", "the interval's lower end");
  const int upper = table.column("upper_95", "the interval's upper end");
  const int identified = table.column("identified", "whether the moments identify the parameter");
  const int actual = table.column("actual", "the actual moment");
  const int start = table.column("start", "the value at the start point");
  const int t = table.column("t_ratio", "the moment's t-ratio");
  for (std::vector<std::string> f; table.next(f);) {
    const std::string& kind = f[static_cast<std::size_t>(row)];
    if (kind == "parameter") {
      out.estimate.push_back(
          {f[static_cast<std::size_t>(name)], table.number(f, value, "the estimate"),
           numberOrEmpty(table, f, se, "the standard error"), numberOrEmpty(table, f, lower, "the interval's end"),
           numberOrEmpty(table, f, upper, "the interval's end"), f[static_cast<std::size_t>(identified)] == "yes",
           table.number(f, start, "the start value")});
    } else if (kind == "moment") {
      out.fit.push_back({f[static_cast<std::size_t>(name)], table.number(f, actual, "the actual moment"),
                         table.number(f, value, "the fitted moment"), table.number(f, start, "the moment at the start"),
                         numberOrEmpty(table, f, lower, "the band's end"),
                         numberOrEmpty(table, f, upper, "the band's end"), numberOrEmpty(table, f, t, "the t-ratio")});
    } else if (kind == "fit" && f[static_cast<std::size_t>(name)] == "loss") {
      out.loss = numberOrEmpty(table, f, value, "the loss");
    }
  }
}

}  // namespace

CalibrationOutputs readCalibrationOutputs(const std::string& dir) {
  CalibrationOutputs out;
  readEvaluations(dir, out);
  std::error_code error;
  const std::string report = dir + "/report.csv";
  if (fs::exists(report, error)) {
    readReport(report, out);
    out.finished = true;
  }
  return out;
}

bool isSearchStep(const std::string& step) { return step == "search1" || step == "search2"; }

std::vector<double> bestLossSoFar(const std::vector<Evaluation>& evaluations) {
  std::vector<double> best;
  std::string step;
  double lowest = kInfinity;
  for (const Evaluation& e : evaluations) {
    if (!isSearchStep(e.step)) {
      best.push_back(kNaN);
      continue;
    }
    if (e.step != step) lowest = kInfinity;
    step = e.step;
    if (std::isfinite(e.loss)) lowest = std::min(lowest, e.loss);
    best.push_back(std::isfinite(lowest) ? lowest : kNaN);
  }
  return best;
}

}  // namespace vk

#include "analysis/SweepSummary.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "analysis/StylizedFacts.h"
#include "io/RunError.h"
#include "io/TextReader.h"

namespace vk {

namespace {

const char* const kValueColumns[] = {"me_sim",   "me_rw",       "mae_sim", "mae_rw",     "rmse_sim", "rmse_rw",
                                     "mean_sim", "mean_actual", "std_sim", "std_actual", "skew_sim", "skew_actual",
                                     "kurt_sim", "kurt_actual", "sr_sim",  "sr_actual"};

// One line of the table: fields separated by commas, a field in double
// quotes may hold commas and "" for a quote.
std::vector<std::string> csvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"')
        fields.back() += line[++i];
      else if (c == '"')
        quoted = false;
      else
        fields.back() += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else if (c != '\r') {
      fields.back() += c;
    }
  }
  return fields;
}

class Table {
 public:
  explicit Table(const std::string& file) : file_(file), text_(TextReader::open(file)) {
    header_ = csvFields(text_.readLineText());
  }

  int column(const std::string& name, const std::string& what) const {
    const auto found = std::find(header_.begin(), header_.end(), name);
    if (found == header_.end()) throw RunError(file_ + " has no column '" + name + "' (" + what + ")");
    return static_cast<int>(found - header_.begin());
  }

  bool next(std::vector<std::string>& fields) {
    if (text_.atEnd()) return false;
    line_ = text_.line();
    fields = csvFields(text_.readLineText());
    if (fields.size() != header_.size())
      throw RunError(file_ + ", line " + std::to_string(line_) + ": " + std::to_string(fields.size()) +
                     " fields where the header has " + std::to_string(header_.size()));
    return true;
  }

  double number(const std::vector<std::string>& fields, int column) const {
    double value = 0;
    if (!parseReal(fields[column], value))
      throw RunError(file_ + ", line " + std::to_string(line_) + ": '" + fields[column].substr(0, 40) + "' in column " +
                     header_[column] + " is not a number; sweep plot draws over numeric parameters");
    return value;
  }

 private:
  std::string file_;
  TextReader text_;
  std::vector<std::string> header_;
  int line_ = 1;
};

}  // namespace

std::vector<std::string> sweepMetrics() {
  std::vector<std::string> metrics(std::begin(kValueColumns), std::end(kValueColumns));
  metrics.push_back("rmse_ratio");
  metrics.push_back("mae_ratio");
  for (int c = 0; c < kFactColumns; ++c) metrics.push_back("facts_" + factColumnName(c));
  return metrics;
}

SweepSummary summariseSweep(const std::string& resultsFile, const std::string& xName, const std::string& yName,
                            const std::string& metric) {
  const std::vector<std::string> metrics = sweepMetrics();
  if (std::find(metrics.begin(), metrics.end(), metric) == metrics.end())
    throw RunError("'" + metric + "' is not a metric of the results table");
  Table table(resultsFile);
  const int xColumn = table.column(xName, "--x names a varied parameter");
  const int yColumn = yName.empty() ? -1 : table.column(yName, "--y names a varied parameter");
  const int status = table.column("status", "the status of each run");
  const bool ratio = metric == "rmse_ratio" || metric == "mae_ratio";
  const std::string prefix = metric.substr(0, metric.find('_'));
  const int valueColumn = table.column(ratio ? prefix + "_sim" : metric, "the metric");
  const int walkColumn = ratio ? table.column(prefix + "_rw", "the metric") : -1;

  std::map<std::pair<double, double>, std::vector<double>> groups;
  std::vector<std::string> fields;
  while (table.next(fields)) {
    if (fields[status] != "done" || fields[valueColumn].empty() || (ratio && fields[walkColumn].empty())) continue;
    double value = table.number(fields, valueColumn);
    if (ratio) value = value / table.number(fields, walkColumn);
    if (!std::isfinite(value)) continue;
    groups[{table.number(fields, xColumn), yColumn < 0 ? 0.0 : table.number(fields, yColumn)}].push_back(value);
  }
  if (groups.empty()) throw RunError(resultsFile + " holds no finished run with a value of " + metric);

  SweepSummary summary;
  summary.xName = xName;
  summary.yName = yName;
  summary.metric = metric;
  for (auto& [key, values] : groups) {
    const double median = *percentile(values, 0.5);
    if (yColumn >= 0) {
      summary.cells.push_back({key.first, key.second, median});
      continue;
    }
    summary.median.push_back({key.first, median});
    summary.low.push_back({key.first, *percentile(values, 0.1)});
    summary.high.push_back({key.first, *percentile(values, 0.9)});
  }
  return summary;
}

}  // namespace vk

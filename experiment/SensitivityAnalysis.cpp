#include "experiment/SensitivityAnalysis.h"

#include "experiment/ExperimentRecord.h"
#include "experiment/Plan.h"
#include "experiment/ResultsTable.h"
#include "experiment/RunMetric.h"
#include "experiment/SensitivityIndices.h"
#include "io/RunError.h"
#include "io/TextFormat.h"

namespace vk {

namespace {

constexpr int kDigits = 6;
constexpr std::size_t kNamedPoints = 10;

// The mean over a point's seeds of each run's median; every point must
// have one.
std::vector<double> pointValues(const ExperimentPlan& plan, const RunMetric& m) {
  const std::size_t seeds = plan.description.seeds.size();
  std::vector<double> values(plan.points.size(), 0.0);
  std::vector<std::string> missing;
  for (std::size_t point = 0; point < values.size(); ++point) {
    std::string why;
    for (std::size_t s = 0; s < seeds && why.empty(); ++s) {
      // Runs go point by point, the seeds within a point.
      const std::size_t run = point * seeds + s;
      const std::optional<double> median = runMedian(m, run);
      if (!m.done[run])
        why = "run " + plan.runs.name(run) + " is not done";
      else if (!median)
        why = "run " + plan.runs.name(run) + " has no value of " + m.metric;
      else
        values[point] += *median / static_cast<double>(seeds);
    }
    if (!why.empty()) missing.push_back("point " + std::to_string(point) + " (" + why + ")");
  }
  if (missing.empty()) return values;
  std::string list;
  for (std::size_t i = 0; i < missing.size() && i < kNamedPoints; ++i) list += (i ? ", " : "") + missing[i];
  if (missing.size() > kNamedPoints) list += " and " + std::to_string(missing.size() - kNamedPoints) + " more";
  throw RunError(std::to_string(missing.size()) + " of the design's " + std::to_string(values.size()) +
                 " points have no value, and no index is computed from a partial design: " + list);
}

std::string fields(const Index& index) {
  if (!index) return ",,";
  return significant(index->value, kDigits) + "," + significant(index->low, kDigits) + "," +
         significant(index->high, kDigits);
}

std::string columns(const std::vector<std::string>& names, const std::string& suffix) {
  std::string text;
  for (const std::string& name : names) {
    text += "," + name + suffix;
    text += "," + name + "_low" + suffix;
    text += "," + name + "_high" + suffix;
  }
  return text;
}

using Rows = std::vector<std::string>;

Rows rowsOf(const std::vector<SobolFactor>& factors) {
  Rows rows;
  for (const SobolFactor& f : factors) rows.push_back(fields(f.first) + "," + fields(f.total));
  return rows;
}

Rows rowsOf(const std::vector<MorrisFactor>& factors) {
  Rows rows;
  for (const MorrisFactor& f : factors) rows.push_back(fields(f.mu) + "," + fields(f.muStar) + "," + fields(f.sigma));
  return rows;
}

bool allEqual(const std::vector<double>& values) {
  for (double v : values)
    if (v != values.front()) return false;
  return true;
}

}  // namespace

SensitivityReport sensitivityOf(const std::string& dir, const SensitivitySettings& settings) {
  const ExperimentPlan plan = recordedPlan(dir);
  const Description& d = plan.description;
  SensitivityReport report;
  report.design = designWord(d.design);
  report.metric = settings.metric;
  if (d.design != DesignKind::Saltelli && d.design != DesignKind::Morris)
    throw RunError(dir + " holds a " + report.design +
                   " design; sensitivity indices need [design] kind = \"saltelli\" or \"morris\"");
  report.names = plan.columns;
  const RunMetric m = readRunMetric(dir + "/" + kResultsFileName, settings.metric, plan.runs.size());
  const std::vector<double> values = pointValues(plan, m);
  if (m.emptyRows > 0)
    report.notes.push_back(std::to_string(m.emptyRows) + " path row" + (m.emptyRows == 1 ? "" : "s") +
                           " without a value of " + settings.metric + " left out");
  // A metric that never changes says nothing about which parameter matters:
  // no index, rather than Sobol's 0/0 or Morris's zeros.
  const bool constant = allEqual(values);
  if (constant)
    report.notes.push_back(settings.metric + " is the same at every point: its indices are undefined and left empty");

  const int k = static_cast<int>(report.names.size());
  const bool saltelli = d.design == DesignKind::Saltelli;
  const std::vector<std::string> indexNames =
      saltelli ? std::vector<std::string>{"S1", "ST"} : std::vector<std::string>{"mu", "mu_star", "sigma"};
  // The bootstrap is seeded by the design's seed: the same directory gives the same table.
  const std::uint64_t seed = d.designSeed;
  const std::vector<std::vector<double>> units = saltelli ? std::vector<std::vector<double>>() : designUnits(d);
  // The indices from the design's first `count` values.
  const auto indicesOf = [&](std::size_t count) {
    const std::vector<double> part(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(count));
    if (saltelli) {
      report.sobol = sobolIndices(part, k, settings.resamples, seed);
      return rowsOf(report.sobol);
    }
    const std::vector<std::vector<double>> unitPart(units.begin(), units.begin() + static_cast<std::ptrdiff_t>(count));
    report.morris =
        constant ? std::vector<MorrisFactor>(k) : morrisIndices(unitPart, part, k, settings.resamples, seed);
    return rowsOf(report.morris);
  };
  Rows half;
  if (settings.check) {
    const std::size_t block = static_cast<std::size_t>(k) + (saltelli ? 2 : 1);
    const std::size_t samples = values.size() / block;
    if (samples < 4) throw RunError("the convergence check needs at least 4 samples or trajectories");
    half = indicesOf(samples / 2 * block);
  }
  // Last, so that the report keeps the whole design's indices.
  const Rows whole = indicesOf(values.size());

  report.table = "parameter" + columns(indexNames, "") + (settings.check ? columns(indexNames, "_half") : "") + "\n";
  for (int i = 0; i < k; ++i)
    report.table += csvField(report.names[i]) + "," + whole[i] + (settings.check ? "," + half[i] : "") + "\n";
  return report;
}

}  // namespace vk

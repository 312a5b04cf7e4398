#include "calibration/CandidateBatch.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>

#include <cstdlib>
#include <filesystem>

#include "analysis/FactsSummary.h"
#include "analysis/FactsTable.h"
#include "calibration/BatchRecord.h"
#include "experiment/ExperimentLock.h"
#include "experiment/LocalPool.h"
#include "experiment/Plan.h"
#include "experiment/RunFolder.h"
#include "experiment/Sha256.h"
#include "experiment/ShellWord.h"
#include "experiment/SlurmEngine.h"
#include "io/AtomicFile.h"
#include "io/RunError.h"
#include "io/TextReader.h"

namespace vk {

namespace {

const char* const kKilledPrefix = "the run was killed";
const char* const kBatchFileName = "batch.txt";

std::string valueText(double value, bool integer) {
  char text[64];
  std::snprintf(text, sizeof text, integer ? "%.0f" : "%.5f", value);
  return text;
}

// The batch as an experiment whose points are the runnable candidates.
Description batchExperiment(const CalibrationDescription& c, const std::vector<Candidate>& candidates,
                            std::vector<std::size_t>& runnable) {
  Description d;
  d.sourceName = c.sourceName;
  d.base = c.base;
  d.inputs = c.inputs;
  d.mode = c.parameters.runMode;
  d.wdata = c.wdata;
  d.market = c.market;
  d.seeds = c.seeds;
  d.design = DesignKind::Listed;
  for (const EstimatedParameter& e : c.estimate) {
    VaryEntry entry;
    entry.name = e.name;
    entry.integer = e.integer;
    entry.place = e.place;
    d.vary.push_back(entry);
  }
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (candidates[i].parameterText.empty()) continue;
    runnable.push_back(i);
    std::vector<std::string> point;
    for (std::size_t k = 0; k < c.estimate.size(); ++k)
      point.push_back(valueText(candidates[i].values[k], c.estimate[k].integer));
    d.listedPoints.push_back(point);
  }
  return d;
}

double factNumber(const std::string& text, const std::string& file) {
  double v = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (error != std::errc() || end != text.data() + text.size())
    throw RunError(file + ": '" + text.substr(0, 40) + "' is no number");
  return v;
}

// The paths' rows of one run from its facts summary, or the reason there are
// none.
bool readRunMoments(const CalibrationDescription& c, const std::string& resultDir, BatchMoments& batch,
                    std::vector<std::vector<double>>& rows, std::string& reason) {
  const std::string file = resultDir + "/" + kFactsSummaryFileName;
  const FactsTableText table = readFactsTable(file);
  if (!batch.haveActual) {
    for (std::size_t col = 0; col < batch.actual.size() && col < table.actual.size(); ++col)
      if (!table.actual[col].empty()) batch.actual[col] = factNumber(table.actual[col], file);
    batch.actualChanges = actualChangesOf(resultDir);
    batch.haveActual = true;
  }
  for (const auto& [path, values] : table.paths) {
    std::vector<double> row;
    for (std::size_t k = 0; k < c.momentColumns.size(); ++k) {
      const std::string& text = values[static_cast<std::size_t>(c.momentColumns[k])];
      if (text.empty()) {
        reason = c.moments[k] + " is undefined on path " + std::to_string(path);
        return false;
      }
      row.push_back(factNumber(text, file));
    }
    rows.push_back(row);
  }
  return true;
}

}  // namespace

Candidate makeCandidate(const CalibrationDescription& c, const std::vector<double>& x) {
  Candidate candidate;
  Parameters p = c.parameters;
  try {
    for (std::size_t i = 0; i < c.estimate.size(); ++i) {
      const EstimatedParameter& e = c.estimate[i];
      const double inside = std::min(std::max(x[i], e.from), e.to);
      const double value = e.integer ? std::round(inside) : std::round(inside * 1e5) / 1e5;
      candidate.values.push_back(value);
      setParameter(p, e.name, valueText(value, e.integer), "the candidate");
    }
    checkParameters(p, "the candidate");
    candidate.parameterText = formatParameters(p);
  } catch (const RunError& e) {
    candidate.problem = e.what();
  }
  return candidate;
}

namespace {

// folder/batch.txt, for the array tasks: the description's file and the
// SHA-256 of its text, then each candidate's values in their exact form.
void writeBatchFile(const CalibrationDescription& c, const std::vector<Candidate>& candidates,
                    const std::string& folder) {
  std::string text =
      std::filesystem::absolute(c.sourceName).lexically_normal().string() + "\n" + sha256Hex(c.text) + "\n";
  for (const Candidate& candidate : candidates) {
    for (std::size_t i = 0; i < candidate.values.size(); ++i) text += (i ? " " : "") + exactNumber(candidate.values[i]);
    text += "\n";
  }
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) throw RunError("Cannot create '" + folder + "': " + error.message());
  writeFileAtomically(folder + "/" + kBatchFileName, text);
}

// Runs the ids through the engine: this machine's pool, or a job array.
void runThrough(const BatchEngine& engine, const std::string& program, const std::string& folder,
                const ExperimentPlan& plan, const std::vector<int>& ids) {
  if (!engine.slurm) {
    runLocally(program, folder, plan, ids, engine.jobs, [](const PlannedRun&, bool) {});
    return;
  }
  const std::string command = shellWord(program) + " calibrate task " + shellWord(folder);
  runArrayToTheEnd(plan, folder, ids, command, engine.sbatch, slurmArrayLimit(), engine.taskSeconds);
}

}  // namespace

BatchMoments runBatch(const CalibrationDescription& c, const std::vector<Candidate>& candidates,
                      const std::string& folder, const std::string& program, const BatchEngine& engine) {
  std::vector<std::size_t> runnable;
  const ExperimentPlan plan = makePlan(batchExperiment(c, candidates, runnable));
  std::vector<int> ids;
  for (std::size_t id = 0; id < plan.runs.size(); ++id) ids.push_back(static_cast<int>(id));
  if (engine.slurm) writeBatchFile(c, candidates, folder);
  runThrough(engine, program, folder, plan, ids);
  // A run killed from outside (out of memory, a node lost, a task's time
  // limit) may well succeed the second time; a run that failed on its own
  // would fail again.
  std::vector<int> again;
  for (int id : ids) {
    std::string message;
    const RunOutcome outcome = runOutcome(folder, plan.runs[static_cast<std::size_t>(id)], &message);
    if (outcome == RunOutcome::Pending || (outcome == RunOutcome::Failed && message.rfind(kKilledPrefix, 0) == 0))
      again.push_back(id);
  }
  if (!again.empty()) runThrough(engine, program, folder, plan, again);

  BatchMoments batch;
  batch.candidates.resize(candidates.size());
  for (std::size_t i = 0; i < candidates.size(); ++i) batch.candidates[i].reason = candidates[i].problem;
  for (std::size_t i : runnable) batch.candidates[i].done = true;
  std::map<std::size_t, std::vector<std::vector<double>>> rows;
  for (int id : ids) {
    const PlannedRun run = plan.runs[static_cast<std::size_t>(id)];
    const std::size_t index = runnable[static_cast<std::size_t>(run.point)];
    CandidateMoments& target = batch.candidates[index];
    if (!target.done) continue;
    std::string message;
    const RunOutcome outcome = runOutcome(folder, run, &message);
    const std::string which = "seed " + std::to_string(run.seed) + ": ";
    if (outcome != RunOutcome::Done) {
      target.done = false;
      target.reason = which + (message.empty() ? "the run did not finish" : message);
      continue;
    }
    std::string reason;
    try {
      if (readRunMoments(c, runResultFolder(folder, run), batch, rows[index], reason)) continue;
    } catch (const RunError& e) {
      reason = e.what();
    }
    target.done = false;
    target.reason = which + reason;
  }
  for (std::size_t i : runnable) {
    CandidateMoments& target = batch.candidates[i];
    if (!target.done) continue;
    const auto& r = rows[i];
    target.paths.resize(static_cast<Eigen::Index>(r.size()), static_cast<Eigen::Index>(c.moments.size()));
    for (std::size_t p = 0; p < r.size(); ++p)
      for (std::size_t k = 0; k < r[p].size(); ++k)
        target.paths(static_cast<Eigen::Index>(p), static_cast<Eigen::Index>(k)) = r[p][k];
  }
  return batch;
}

void runBatchTask(const std::string& folder, int task, const std::string& program) {
  const ExperimentLock lock(folder, "calibrate task", ExperimentLock::Use::ArrayTask);
  const std::string file = folder + "/" + kBatchFileName;
  TextReader in = TextReader::open(file);
  const std::string source = in.readLineText();
  const std::string hash = in.readLineText();
  const CalibrationDescription c = readCalibrationDescription(source);
  if (sha256Hex(c.text) != hash)
    throw RunError(source + " changed after the calibration submitted this batch (" + file +
                   "); its runs would not be the calibration's");
  std::vector<Candidate> candidates;
  while (!in.atEnd()) {
    const int line = in.line();
    std::istringstream words(in.readLineText());
    std::vector<double> values;
    for (std::string word; words >> word;) {
      double value = 0;
      if (!parseReal(word, value))
        throw RunError(file + ", line " + std::to_string(line) + ": '" + word.substr(0, 40) + "' is no number");
      values.push_back(value);
    }
    if (values.size() != c.estimate.size())
      throw RunError(file + ", line " + std::to_string(line) + ": " + std::to_string(values.size()) +
                     " values where the description estimates " + std::to_string(c.estimate.size()));
    candidates.push_back(makeCandidate(c, values));
  }
  std::vector<std::size_t> runnable;
  const ExperimentPlan plan = makePlan(batchExperiment(c, candidates, runnable));
  std::vector<int> runs;
  for (int id : runsOfTask(plan, folder, task))
    if (runOutcome(folder, plan.runs[static_cast<std::size_t>(id)], nullptr) != RunOutcome::Done) runs.push_back(id);
  const char* cpus = std::getenv("SLURM_CPUS_PER_TASK");
  const int jobs = cpus && std::atoi(cpus) > 0 ? std::atoi(cpus) : 1;
  const int failed = runLocally(program, folder, plan, runs, jobs, [](const PlannedRun&, bool) {});
  if (failed > 0) throw RunError(std::to_string(failed) + " of the task's runs failed");
}

}  // namespace vk

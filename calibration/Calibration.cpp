#include "calibration/Calibration.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>

#include <toml++/toml.h>

#include "calibration/BatchRecord.h"
#include "calibration/BlockBootstrap.h"
#include "calibration/CalibrationOutputs.h"
#include "calibration/CalibrationReport.h"
#include "calibration/CmaesSearch.h"
#include "experiment/ExperimentLock.h"
#include "experiment/ExperimentRecord.h"
#include "experiment/ResultsTable.h"
#include "experiment/Sha256.h"
#include "experiment/SlurmEngine.h"
#include "io/AtomicFile.h"
#include "io/RunError.h"

namespace vk {

namespace fs = std::filesystem;

namespace {

const char* const kRecordName = "calibration.toml";
const char* const kEvaluationsName = "evaluations.csv";
// What calibrate run makes in DIR; --replace removes only these.
const char* const kMadeByRun[] = {"batches",    "work",     kEvaluationsName, "report.txt",
                                  "report.csv", "estimate", kRecordName};
constexpr double kFirstStep = 0.3;   // CMA-ES's initial step, in shares of each range
constexpr double kSecondStep = 0.1;  // the second search starts near the first's estimate
// The Jacobian's steps, in shares of each range, shortest first: a
// twentieth keeps the difference local, and where the moments' noise
// drowns it, longer steps let their change stand out.
constexpr double kJacobianShares[] = {0.05, 0.1, 0.2};

const double kInfinity = std::numeric_limits<double>::infinity();

struct EvaluationRow {
  std::string step;
  int generation = 0;
  int candidate = 0;
  std::vector<double> values;
  bool done = false;
  MomentVector means;
  double loss = 0;
  std::string message;
};

// The hashes of every input file, so that a change is seen.
std::string inputsFingerprint(const CalibrationDescription& c) {
  std::string canon;
  for (const std::string& file : {c.inputs + "/para.txt", c.wdata, c.market.price, c.market.data})
    canon += file + "\t" + sha256OfFile(file) + "\n";
  return canon;
}

// A candidate's loss under the weights; one that could not be simulated
// never wins.
double candidateLoss(const CandidateMoments& m, const MomentVector& actual, const MomentMatrix& weights) {
  return m.done ? momentLoss(momentMeans(m.paths), actual, weights) : kInfinity;
}

// The second search weighs the moments by their covariance at the first
// search's estimate, simulated again.
MomentMatrix secondSearchWeights(const BatchRecord& atFirstEstimate, const std::vector<std::string>& moments) {
  return inverseWeights(momentCovariance(atFirstEstimate.moments.candidates[0].paths), moments);
}

std::string valueText(double value, bool integer) {
  char text[64];
  std::snprintf(text, sizeof text, integer ? "%.0f" : "%.5f", value);
  return text;
}

class Calibrator {
 public:
  Calibrator(const CalibrationDescription& c, const CalibrationSettings& s) : c_(c), s_(s) {}

  void run() {
    std::error_code error;
    fs::create_directories(s_.dir, error);
    if (error) throw RunError("Cannot create the calibration folder '" + s_.dir + "': " + error.message());
    const ExperimentLock lock(s_.dir, "calibrate run");
    inputs_ = inputsFingerprint(c_);
    prepareFolder();
    fs::create_directories(s_.dir + "/batches", error);
    if (error) throw RunError("Cannot create '" + s_.dir + "/batches': " + error.message());
    start();
    const MomentMatrix firstWeights = weightsForFirstSearch();
    const SearchResult first = search("search1", firstWeights, c_.budget / searchSteps(c_.weights), nullptr);
    SearchResult last = first;
    weights_ = firstWeights;
    if (c_.weights == WeightKind::Simulated) {
      const BatchRecord at = evaluate("weights", 0, {first.best}, &weights_);
      if (!at.moments.candidates[0].done)
        throw RunError("the first search's estimate failed when run again: " + at.moments.candidates[0].reason);
      weights_ = secondSearchWeights(at, c_.moments);
      last = search("search2", weights_, c_.budget - first.used, &first);
    }
    finish(last.best);
  }

 private:
  struct SearchResult {
    Candidate best;
    double bestLoss = kInfinity;
    int used = 0;
    std::vector<SearchPoint> lastPoints;
    BatchRecord lastBatch;  // the last generation's
  };

  void prepareFolder() {
    const std::string record = s_.dir + "/" + kRecordName;
    std::error_code error;
    bool empty = true;
    for (const auto& entry : fs::directory_iterator(s_.dir, error))
      if (entry.path().filename() != kExperimentLockName) empty = false;
    const std::string fingerprint = sha256Hex(c_.text + "\n" + inputs_);
    if (!empty) {
      if (!fs::exists(record, error))
        throw RunError("'" + s_.dir +
                       "' is not empty and holds no calibration.toml: it was not made by calibrate run. Choose a "
                       "new or empty folder.");
      if (recordedFingerprint(record) != fingerprint) {
        if (!s_.replace)
          throw RunError("'" + s_.dir +
                         "' holds another calibration (another description, or inputs that changed since). Choose "
                         "another folder, or give --replace to remove it and start again.");
        for (const char* name : kMadeByRun) {
          fs::remove_all(fs::path(s_.dir) / name, error);
          if (error) throw RunError("Cannot remove '" + (fs::path(s_.dir) / name).string() + "': " + error.message());
        }
      }
    }
    std::string text = c_.text;
    if (!text.empty() && text.back() != '\n') text += "\n";
    text += "\n# Written by velquin-cli calibrate run: what this folder was made from.\n[provenance]\n";
    text += "version = " + tomlString(s_.version) + "\n";
    text += "command = " + tomlString(s_.commandLine) + "\n";
    text += "base = " + tomlString(c_.base) + "\n";
    text += "fingerprint = " + tomlString(fingerprint) + "\n";
    writeFileAtomically(record, text);
  }

  static std::string recordedFingerprint(const std::string& record) {
    try {
      const toml::table root = toml::parse_file(record);
      return root["provenance"]["fingerprint"].value_or(std::string());
    } catch (const toml::parse_error&) {
      return "";
    }
  }

  // para.txt's value of each parameter, inside its range.
  Candidate startCandidate() const {
    std::vector<double> x;
    for (const EstimatedParameter& e : c_.estimate) {
      const ParameterField* field = findParameter(e.name);
      x.push_back(field->kind == ParameterKind::Whole ? c_.parameters.*field->whole : c_.parameters.*field->real);
    }
    return makeCandidate(c_, x);
  }

  void start() {
    const BatchRecord b = evaluate("start", 0, {startCandidate()});
    const CandidateMoments& m = b.moments.candidates[0];
    if (!m.done) throw RunError("the start point (the inputs' para.txt) cannot be simulated: " + m.reason);
    actual_ = MomentVector(static_cast<Eigen::Index>(c_.moments.size()));
    for (std::size_t k = 0; k < c_.moments.size(); ++k) {
      const FactValue v = b.moments.actual[static_cast<std::size_t>(c_.momentColumns[k])];
      if (!v)
        throw RunError("the moment " + c_.moments[k] + " is undefined on the actual changes of weeks " +
                       std::to_string(c_.firstSimulatedWeek) + ".." + std::to_string(c_.lastSimulatedWeek) +
                       "; leave it out");
      actual_(static_cast<Eigen::Index>(k)) = *v;
    }
    actualChanges_ = b.moments.actualChanges;
    startCandidate_ = b.candidates[0];
    startMoments_ = momentMeans(m.paths);
    startOmega_ = momentCovariance(m.paths);
  }

  MomentMatrix weightsForFirstSearch() {
    const auto k = static_cast<Eigen::Index>(c_.moments.size());
    switch (c_.weights) {
      case WeightKind::Identity:
        return MomentMatrix::Identity(k, k);
      case WeightKind::Bootstrap: {
        bootstrap_ = blockBootstrap(actualChanges_, c_.momentColumns, c_.moments, c_.searchSeed);
        return inverseWeights(bootstrap_->covariance, c_.moments);
      }
      default:
        return diagonalWeights(startOmega_, c_.moments);
    }
  }

  // A point of the unit box as parameter values: reals across their range,
  // whole numbers across equal slices of it.
  std::vector<double> valuesAt(const SearchPoint& u) const {
    std::vector<double> x;
    for (std::size_t i = 0; i < c_.estimate.size(); ++i) {
      const EstimatedParameter& e = c_.estimate[i];
      x.push_back(e.integer ? e.from - 0.5 + u[i] * (e.to - e.from + 1.0) : e.from + u[i] * (e.to - e.from));
    }
    return x;
  }

  double lossOf(const CandidateMoments& m, const MomentMatrix& weights) const {
    return candidateLoss(m, actual_, weights);
  }

  SearchResult search(const std::string& step, const MomentMatrix& weights, int budget, const SearchResult* from) {
    const int size = generationSize(static_cast<int>(c_.estimate.size()));
    const unsigned seed = static_cast<unsigned>(c_.searchSeed + (from ? 1 : 0));
    std::unique_ptr<CmaesSearch> cmaes;
    SearchResult result;
    if (from) {
      std::vector<double> losses;
      for (const CandidateMoments& m : from->lastBatch.moments.candidates) losses.push_back(lossOf(m, weights));
      cmaes = std::make_unique<CmaesSearch>(from->lastPoints, losses, seed, kSecondStep);
      for (std::size_t i = 0; i < losses.size(); ++i) consider(result, from->lastBatch.candidates[i], losses[i]);
    } else {
      cmaes = std::make_unique<CmaesSearch>(static_cast<int>(c_.estimate.size()), size, seed, kFirstStep);
    }
    for (int generation = 0; result.used + size <= budget; ++generation) {
      const std::vector<SearchPoint> points = cmaes->ask();
      std::vector<Candidate> candidates;
      for (const SearchPoint& u : points) candidates.push_back(makeCandidate(c_, valuesAt(u)));
      result.lastBatch = evaluate(step, generation, candidates, &weights);
      std::vector<double> losses;
      for (std::size_t i = 0; i < candidates.size(); ++i) {
        losses.push_back(lossOf(result.lastBatch.moments.candidates[i], weights));
        consider(result, result.lastBatch.candidates[i], losses.back());
      }
      cmaes->tell(losses);
      result.lastPoints = points;
      result.used += static_cast<int>(points.size());
      say(step + " generation " + std::to_string(generation) + ": " + std::to_string(result.used) +
          " candidates, best loss " + exactNumber(result.bestLoss));
      if (converged(points)) break;
    }
    if (!(result.bestLoss < kInfinity))
      throw RunError("no candidate of " + step + " could be simulated; the reasons are in " + s_.dir + "/" +
                     kEvaluationsName);
    return result;
  }

  static void consider(SearchResult& result, const Candidate& candidate, double loss) {
    if (loss < result.bestLoss) {
      result.bestLoss = loss;
      result.best = candidate;
    }
  }

  // The stopping rule: a generation whose candidates all lie within the
  // tolerance of each other in every parameter's range.
  bool converged(const std::vector<SearchPoint>& points) const {
    for (std::size_t i = 0; i < c_.estimate.size(); ++i) {
      double low = 1, high = 0;
      for (const SearchPoint& u : points) {
        low = std::min(low, u[i]);
        high = std::max(high, u[i]);
      }
      if (high - low >= c_.tolerance) return false;
    }
    return true;
  }

  // The batch from its record, or run and recorded.
  BatchRecord evaluate(const std::string& step, int generation, const std::vector<Candidate>& candidates,
                       const MomentMatrix* weights = nullptr) {
    const std::string file = batchRecordFile(s_.dir, batches_++);
    const int k = static_cast<int>(c_.moments.size());
    std::optional<BatchRecord> record = readBatchRecord(file, k);
    if (record) {
      bool same =
          record->step == step && record->generation == generation && record->candidates.size() == candidates.size();
      for (std::size_t i = 0; same && i < candidates.size(); ++i)
        same = record->candidates[i].values == candidates[i].values;
      if (!same)
        throw RunError(file +
                       " records other candidates than this calibration makes; remove the folder's batches "
                       "from it on, or give --replace");
      // The record keeps the values; the runs' para.txt is made again.
      record->candidates = candidates;
    } else {
      if (inputsFingerprint(c_) != inputs_)
        throw RunError("the inputs (para.txt, the weight structure, the price or the data file under " + c_.inputs +
                       ") changed while the calibration ran; its results would not match them");
      const std::string work = s_.dir + "/work";
      // An array of a calibration killed while it waited may still run there.
      const std::string queued = queuedSlurmJobs(work);
      if (!queued.empty())
        throw RunError("The batch folder '" + work + "' is in use on the cluster: " + queued +
                       ". Wait for the jobs to end, or cancel them with scancel, then run again.");
      std::error_code error;
      fs::remove_all(work, error);
      BatchRecord fresh;
      fresh.step = step;
      fresh.generation = generation;
      fresh.candidates = candidates;
      fresh.moments = runBatch(c_, candidates, work, s_.program, s_.engine);
      for (CandidateMoments& m : fresh.moments.candidates) m.reason = oneLine(m.reason);
      writeBatchRecord(file, fresh);
      fs::remove_all(work, error);
      // Taken back as a resumed run would take it, so both go on alike.
      record = readBatchRecord(file, k);
      record->candidates = candidates;
    }
    for (std::size_t i = 0; i < record->candidates.size(); ++i) {
      const CandidateMoments& m = record->moments.candidates[i];
      EvaluationRow row;
      row.step = step;
      row.generation = generation;
      row.candidate = static_cast<int>(i);
      row.values = record->candidates[i].values;
      row.done = m.done;
      if (m.done) row.means = momentMeans(m.paths);
      // The start point's loss waits for the weights its moments give.
      row.loss = weights ? lossOf(m, *weights) : std::numeric_limits<double>::quiet_NaN();
      row.message = m.reason;
      rows_.push_back(row);
    }
    writeEvaluations();
    return *record;
  }

  static std::string oneLine(const std::string& text) {
    std::string line;
    std::istringstream words(text);
    for (std::string w; words >> w;) line += (line.empty() ? "" : " ") + w;
    return line;
  }

  void writeEvaluations() const {
    std::string text = "evaluation,step,generation,candidate";
    for (const EstimatedParameter& e : c_.estimate) text += "," + e.name;
    for (const std::string& m : c_.moments) text += "," + m;
    text += ",loss,status,message\n";
    for (std::size_t r = 0; r < rows_.size(); ++r) {
      const EvaluationRow& row = rows_[r];
      text += std::to_string(r) + "," + row.step + "," + std::to_string(row.generation) + "," +
              std::to_string(row.candidate);
      for (std::size_t i = 0; i < c_.estimate.size(); ++i)
        text += "," + (i < row.values.size() ? valueText(row.values[i], c_.estimate[i].integer) : std::string());
      for (std::size_t k = 0; k < c_.moments.size(); ++k)
        text += "," + (row.done ? exactNumber(row.means(static_cast<Eigen::Index>(k))) : std::string());
      text += "," + (!row.done ? std::string("inf") : std::isnan(row.loss) ? std::string() : exactNumber(row.loss));
      text += std::string(",") + (row.done ? "done" : "failed") + "," + csvField(row.message) + "\n";
    }
    writeFileAtomically(s_.dir + "/" + kEvaluationsName, text);
  }

  // The points of one Jacobian column: below is -1 where it is the estimate.
  struct JacobianStep {
    std::size_t parameter = 0;
    double up = 0, down = 0;
    int above = -1, below = -1;
  };

  // The pending parameters' points at this share of their ranges, added to
  // the batch.
  std::vector<JacobianStep> jacobianSteps(const Candidate& estimate, const std::vector<std::size_t>& pending,
                                          double share, std::vector<Candidate>& batch) const {
    std::vector<JacobianStep> steps;
    for (std::size_t i : pending) {
      const EstimatedParameter& e = c_.estimate[i];
      const double unit = e.integer ? 1.0 : 1e-5;
      const double h = std::max(unit, std::round(share * (e.to - e.from) / unit) * unit);
      const double theta = estimate.values[i];
      JacobianStep step;
      step.parameter = i;
      step.up = theta + h <= e.to + unit / 2 ? h : 0.0;
      step.down = theta - h >= e.from - unit / 2 ? h : 0.0;
      if (step.up == 0.0 && step.down == 0.0) step.down = theta - e.from > e.to - theta ? h : 0.0;
      for (const auto& [offset, index] : {std::pair<double, int*>{step.up, &step.above}, {-step.down, &step.below}}) {
        if (offset == 0.0) continue;
        std::vector<double> x = estimate.values;
        x[i] += offset;
        *index = static_cast<int>(batch.size());
        batch.push_back(makeCandidate(c_, x));
      }
      steps.push_back(step);
    }
    return steps;
  }

  // The estimate and the points of its Jacobian, then the report. In this
  // model a small change of a parameter sends every path elsewhere, so a
  // difference over a short step may be all noise: a column that does not
  // stand out of its noise is taken again over a longer step, up to the
  // longest, after which its parameter counts as not identified.
  void finish(const Candidate& estimate) {
    const std::size_t p = c_.estimate.size();
    CalibrationResult r;
    std::vector<std::size_t> pending;
    for (std::size_t i = 0; i < p; ++i) pending.push_back(i);
    r.jacobian = MomentMatrix(static_cast<Eigen::Index>(c_.moments.size()), static_cast<Eigen::Index>(p));
    std::vector<bool> outOfNoise(p, false);
    MomentMatrix estimatePaths;
    for (std::size_t rung = 0; rung < std::size(kJacobianShares) && !pending.empty(); ++rung) {
      std::vector<Candidate> batch;
      if (rung == 0) batch.push_back(estimate);
      const std::vector<JacobianStep> steps = jacobianSteps(estimate, pending, kJacobianShares[rung], batch);
      const BatchRecord b = evaluate("final", static_cast<int>(rung), batch, &weights_);
      if (rung == 0 && !b.moments.candidates[0].done)
        throw RunError("the estimate failed when run again: " + b.moments.candidates[0].reason);
      if (rung == 0) {
        r.estimate = b.candidates[0].values;
        estimatePaths = b.moments.candidates[0].paths;
      }
      const auto pathsAt = [&](int index) -> const MomentMatrix& {
        return index < 0 ? estimatePaths : b.moments.candidates[static_cast<std::size_t>(index)].paths;
      };
      pending.clear();
      for (const JacobianStep& step : steps) {
        // A point that cannot be simulated leaves its parameter without a
        // column: not identified.
        const auto failed = [&](int index) { return index >= 0 && !b.moments.candidates[index].done; };
        if (failed(step.above) || failed(step.below)) {
          const int index = failed(step.above) ? step.above : step.below;
          say("a point of " + c_.estimate[step.parameter].name + "'s Jacobian could not be simulated (" +
              b.moments.candidates[static_cast<std::size_t>(index)].reason + "); it counts as not identified");
          outOfNoise[step.parameter] = false;
          continue;
        }
        const MomentMatrix& a = pathsAt(step.above);
        const MomentMatrix& z = pathsAt(step.below);
        const MomentVector column = jacobianColumn(momentMeans(a), momentMeans(z), step.up, step.down);
        r.jacobian.col(static_cast<Eigen::Index>(step.parameter)) = column;
        // Each of the steps tests at its share of the level, so that trying
        // longer steps does not raise the chance of taking noise for a slope.
        outOfNoise[step.parameter] = standsOutOfNoise(column, jacobianColumnNoise(a, z, step.up, step.down),
                                                      kNoiseLevel / static_cast<double>(std::size(kJacobianShares)));
        if (!outOfNoise[step.parameter]) pending.push_back(step.parameter);
      }
    }
    r.start = startCandidate_.values;
    r.actual = actual_;
    r.startMoments = startMoments_;
    r.fitted = momentMeans(estimatePaths);
    r.omega = momentCovariance(estimatePaths);
    r.paths = static_cast<int>(estimatePaths.rows());
    r.weights = weights_;
    r.loss = momentLoss(r.fitted, actual_, weights_);
    r.evaluations = static_cast<int>(rows_.size());
    std::vector<double> ranges;
    for (const EstimatedParameter& e : c_.estimate) ranges.push_back(e.to - e.from);
    r.errors = sandwichErrors(r.jacobian, weights_, r.omega, r.paths, ranges, outOfNoise);
    // The band of the actual moments goes in the report whatever the weights;
    // where the resamples leave a moment undefined there is none.
    if (!bootstrap_) {
      try {
        bootstrap_ = blockBootstrap(actualChanges_, c_.momentColumns, c_.moments, c_.searchSeed);
      } catch (const RunError&) {
      }
    }
    r.bootstrap = bootstrap_;
    writeCalibrationReport(c_, r, s_.dir);
    say("Wrote " + s_.dir + "/report.txt, report.csv and estimate/para.txt.");
  }

  void say(const std::string& text) const {
    if (s_.say) s_.say(text);
  }

  const CalibrationDescription& c_;
  const CalibrationSettings& s_;
  std::string inputs_;
  int batches_ = 0;
  std::vector<EvaluationRow> rows_;
  MomentVector actual_;
  std::vector<double> actualChanges_;
  Candidate startCandidate_;
  MomentVector startMoments_;
  MomentMatrix startOmega_;
  MomentMatrix weights_;
  std::optional<BootstrapMoments> bootstrap_;
};

}  // namespace

void runCalibration(const CalibrationDescription& c, const CalibrationSettings& settings) {
  Calibrator(c, settings).run();
}

namespace {

// The actual moments by name, from the start's batch; none when a moment is
// unknown or undefined there.
std::optional<MomentVector> actualMoments(const BatchRecord& start, const std::vector<std::string>& moments) {
  MomentVector actual(static_cast<Eigen::Index>(moments.size()));
  for (std::size_t k = 0; k < moments.size(); ++k) {
    int column = 0;
    while (column < kFactColumns && factColumnName(column) != moments[k]) ++column;
    if (column == kFactColumns || !start.moments.actual[static_cast<std::size_t>(column)]) return std::nullopt;
    actual(static_cast<Eigen::Index>(k)) = *start.moments.actual[static_cast<std::size_t>(column)];
  }
  return actual;
}

// The second search begins with the first search's last generation scored
// under the second weights, and may keep one of those as its best.
// evaluations.csv holds only their scores under the first weights, so they
// are scored again from the batch records; +infinity before the second
// weights exist.
double carriedOverBest(const std::string& dir, const std::vector<std::string>& moments) {
  std::optional<BatchRecord> start, lastOfFirst, atFirstEstimate;
  for (int batch = 0; !atFirstEstimate; ++batch) {
    std::optional<BatchRecord> record = readBatchRecord(batchRecordFile(dir, batch), static_cast<int>(moments.size()));
    if (!record) break;
    if (record->step == "start")
      start = std::move(record);
    else if (record->step == "search1")
      lastOfFirst = std::move(record);
    else if (record->step == "weights")
      atFirstEstimate = std::move(record);
  }
  if (!start || !lastOfFirst || !atFirstEstimate || atFirstEstimate->moments.candidates.empty() ||
      !atFirstEstimate->moments.candidates[0].done)
    return kInfinity;
  const std::optional<MomentVector> actual = actualMoments(*start, moments);
  if (!actual) return kInfinity;
  const MomentMatrix weights = secondSearchWeights(*atFirstEstimate, moments);
  double best = kInfinity;
  for (const CandidateMoments& m : lastOfFirst->moments.candidates)
    best = std::min(best, candidateLoss(m, *actual, weights));
  return best;
}

}  // namespace

CalibrationStatus calibrationStatus(const std::string& dir) {
  const CalibrationOutputs outputs = readCalibrationOutputs(dir);
  CalibrationStatus status;
  status.bestLoss = kInfinity;
  status.evaluations = static_cast<int>(outputs.evaluations.size());
  const std::vector<double> best = bestLossSoFar(outputs.evaluations);
  for (std::size_t i = 0; i < outputs.evaluations.size(); ++i) {
    const Evaluation& e = outputs.evaluations[i];
    status.step = e.step;
    status.generation = e.generation;
    if (!e.done) ++status.failed;
    if (!std::isnan(best[i])) status.bestLoss = best[i];
  }
  const bool secondSearch = std::any_of(outputs.evaluations.begin(), outputs.evaluations.end(),
                                        [](const Evaluation& e) { return e.step == "search2"; });
  if (secondSearch) status.bestLoss = std::min(status.bestLoss, carriedOverBest(dir, outputs.moments));
  // The report's loss is the estimate's, the best the searches found.
  if (outputs.finished) status.bestLoss = outputs.loss;
  status.finished = outputs.finished;
  return status;
}

}  // namespace vk

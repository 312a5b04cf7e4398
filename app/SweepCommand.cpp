// velquin-cli sweep: experiments of many runs, on this machine's cores or on
// a Slurm cluster, with one results table.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/CliCommands.h"
#include "experiment/Description.h"
#include "experiment/ExperimentLock.h"
#include "experiment/ExperimentRecord.h"
#include "experiment/LocalPool.h"
#include "experiment/Plan.h"
#include "experiment/ResultsTable.h"
#include "experiment/RunFolder.h"
#include "experiment/SensitivityAnalysis.h"
#include "experiment/ShellWord.h"
#include "experiment/SlurmEngine.h"
#include "experiment/SweepSummary.h"
#include "experiment/VarianceShares.h"
#include "io/AtomicFile.h"
#include "io/RunError.h"

namespace vk {

namespace fs = std::filesystem;

namespace {

struct SweepOptions {
  std::string description;
  std::string dir;
  int jobs = 0;  // 0: one per core
  std::string engine = "local";
  std::string sbatch;
  double taskSeconds = kDefaultTaskSeconds;
  bool replace = false;
  bool quiet = false;
  bool afterCluster = false;
  int task = -1;
  std::string xName;
  std::string yName;
  std::string metric = "rmse_sim";
  std::string plotFile;
  std::string csvFile;
  int resamples = 1000;
  bool check = false;
  bool logScale = false;
  std::string pool = "runs";
};

#ifndef VELQUIN_VERSION
#define VELQUIN_VERSION "unknown"
#endif

std::string absoluteFolder(const std::string& dir) { return fs::absolute(dir).lexically_normal().string(); }

// "Runs 5/16, 1 failed, about 12 s left" on stderr: redrawn in place on a
// terminal, else a line at every tenth of the runs.
class SweepProgress {
 public:
  SweepProgress(int total, bool quiet)
      : total_(total), quiet_(quiet), terminal_(::isatty(STDERR_FILENO)), start_(Clock::now()) {}
  ~SweepProgress() {
    if (lineOpen_) std::fputc('\n', stderr);
  }

  void ended(bool done) {
    ++finished_;
    if (!done) ++failed_;
    if (quiet_) return;
    const bool tenth = finished_ * 10 / std::max(total_, 1) != (finished_ - 1) * 10 / std::max(total_, 1);
    if (!terminal_ && !tenth && finished_ != total_) return;
    const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
    const double left = elapsed / finished_ * (total_ - finished_);
    std::fprintf(stderr, "%sRuns %d/%d done, %d failed, about %.0f s left%s", terminal_ ? "\r" : "", finished_, total_,
                 failed_, left, terminal_ ? "   " : "\n");
    lineOpen_ = terminal_;
    std::fflush(stderr);
  }

 private:
  using Clock = std::chrono::steady_clock;
  int total_;
  bool quiet_;
  bool terminal_;
  Clock::time_point start_;
  int finished_ = 0;
  int failed_ = 0;
  bool lineOpen_ = false;
};

void say(const SweepOptions& o, const std::string& text) {
  if (!o.quiet) std::fprintf(stderr, "%s\n", text.c_str());
}

std::string countsText(const RunCounts& c) {
  return std::to_string(c.done) + " done, " + std::to_string(c.failed) + " failed, " + std::to_string(c.pending) +
         " pending";
}

void failIfRunsFailed(const RunCounts& counts, int total, const std::string& dir) {
  if (counts.failed > 0)
    throw RunError(std::to_string(counts.failed) + " of " + std::to_string(total) +
                   " runs failed; their messages are in the message column of " + dir +
                   "/results.csv, their logs in the runs' folders");
}

void runOnThisMachine(const SweepOptions& o, const ExperimentPlan& plan, const std::string& dir) {
  const std::vector<int> todo = unfinishedRuns(plan, dir);
  const int jobs = o.jobs > 0 ? o.jobs : availableCores();
  if (todo.size() < plan.runs.size())
    say(o, "Resuming: " + std::to_string(plan.runs.size() - todo.size()) + " of " + std::to_string(plan.runs.size()) +
               " runs are done already.");
  say(o, "Running " + std::to_string(todo.size()) + " run" + (todo.size() == 1 ? "" : "s") + " on " +
             std::to_string(jobs) + " core" + (jobs == 1 ? "" : "s") + " in " + dir + "/runs.");
  {
    SweepProgress progress(static_cast<int>(todo.size()), o.quiet);
    runLocally(thisProgram(), dir, plan, todo, jobs,
               [&progress](const PlannedRun&, bool done) { progress.ended(done); });
  }
  const RunCounts counts = writeResultsTable(plan, dir, false);
  say(o, "Wrote " + dir + "/results.csv: " + countsText(counts) + ".");
  failIfRunsFailed(counts, static_cast<int>(plan.runs.size()), dir);
  // Every run has ended; one without a mark could not even be marked failed.
  if (counts.pending > 0)
    throw RunError(std::to_string(counts.pending) + " of " + std::to_string(plan.runs.size()) +
                   " runs failed and could not be marked so (is the disk full?); a resume runs them again");
}

void submitToCluster(const SweepOptions& o, const ExperimentPlan& plan, const std::string& dir) {
  const SlurmSubmission s =
      submitToSlurm(plan, dir, thisProgram(), splitOptionWords(o.sbatch), slurmArrayLimit(), o.taskSeconds);
  if (s.tasks > 0)
    std::printf(
        "Submitted job array %s (%d task%s, %s run%s each, an estimated %.0f s of work or more) and collector "
        "job %s.\n",
        s.arrayJob.c_str(), s.tasks, s.tasks == 1 ? "" : "s",
        (s.fewestRuns == s.mostRuns ? std::to_string(s.mostRuns)
                                    : std::to_string(s.fewestRuns) + " to " + std::to_string(s.mostRuns))
            .c_str(),
        s.mostRuns == 1 ? "" : "s", s.fewestSeconds, s.collectorJob.c_str());
  else
    std::printf("Every run is done; submitted collector job %s.\n", s.collectorJob.c_str());
  std::printf("%s/results.csv is written when the collector ends; 'velquin-cli sweep status %s' shows the runs.\n",
              dir.c_str(), dir.c_str());
}

void sweepRun(const SweepOptions& o, const CLI::App& command) {
  if (o.engine != "slurm" && command.count("--sbatch") > 0)
    throw CLI::ValidationError("--sbatch", "applies to --engine slurm only");
  if (o.engine != "slurm" && command.count("--task-seconds") > 0)
    throw CLI::ValidationError("--task-seconds", "applies to --engine slurm only");
  if (o.engine == "slurm" && command.count("--jobs") > 0)
    throw CLI::ValidationError("--jobs", "applies to --engine local only");
  const std::string dir = absoluteFolder(o.dir);
  checkExperimentFolder(dir);
  const ExperimentPlan plan = makePlan(readDescription(o.description));
  const std::string warning = designWarning(plan.description);
  if (!warning.empty()) std::fprintf(stderr, "velquin-cli: warning: %s\n", warning.c_str());
  say(o, "Checked " + std::to_string(plan.points.size()) + " point" + (plan.points.size() == 1 ? "" : "s") + " x " +
             std::to_string(plan.description.seeds.size()) + " seed" + (plan.description.seeds.size() == 1 ? "" : "s") +
             ": " + std::to_string(plan.runs.size()) + " runs.");
  createExperimentFolder(dir);
  const ExperimentLock lock(dir, "sweep run");
  const std::string queued = queuedSlurmJobs(dir);
  if (!queued.empty())
    throw RunError("The experiment folder '" + dir + "' is in use on the cluster: " + queued +
                   ". sweep run is refused; wait for the jobs to end, or cancel them with scancel.");
  prepareExperimentFolder(plan, dir, o.replace);
  writeExperimentRecord(plan, dir, VELQUIN_VERSION, thisCommandLine());
  if (o.engine == "slurm")
    submitToCluster(o, plan, dir);
  else
    runOnThisMachine(o, plan, dir);
}

// The runs are counted from their marks also when the inputs changed since:
// what they were made from is then named after the counts.
void sweepStatus(const SweepOptions& o) {
  const std::string dir = absoluteFolder(o.dir);
  const RecordedPlan recorded = readRecordedPlan(dir);
  const ExperimentPlan& plan = recorded.plan;
  int listed = 0;
  std::string failures;
  const RunCounts counts = countRuns(plan, dir, [&](const PlannedRun& run, const std::string& message) {
    if (++listed <= 20) failures += "  run " + run.name + ": " + message + "\n";
  });
  std::printf("%zu runs: %s.\n%s", plan.runs.size(), countsText(counts).c_str(), failures.c_str());
  if (listed > 20) std::printf("  ... and %d more failed runs\n", listed - 20);
  if (!recorded.inputsChanged.empty()) throw RunError(recorded.inputsChanged);
}

// A file given to collect --csv lies outside DIR, which the command only
// reads: DIR may belong to runs still going on.
void refuseFileInsideExperiment(const std::string& file, const std::string& dir) {
  if (file == "-") return;
  const fs::path folder = fs::weakly_canonical(dir);
  const fs::path target = fs::weakly_canonical(fs::absolute(file));
  const auto mismatch = std::mismatch(folder.begin(), folder.end(), target.begin(), target.end());
  if (mismatch.first == folder.end())
    throw CLI::ValidationError("--csv", "'" + file + "' lies inside the experiment folder " + dir +
                                            ", which a look at the runs as they are only reads");
}

// The table of the runs as they are, taken without the folder's lock: the
// runs of a sweep or of a cluster's array may go on meanwhile.
void sweepSnapshot(const SweepOptions& o, const std::string& dir) {
  if (o.afterCluster) throw CLI::ValidationError("--after-cluster", "marks runs failed in DIR, which --csv only reads");
  refuseFileInsideExperiment(o.csvFile, dir);
  const RecordedPlan recorded = readRecordedPlan(dir);
  const ExperimentPlan& plan = recorded.plan;
  const RunCounts counts = writeResultsSnapshot(plan, dir, o.csvFile);
  say(o,
      "Wrote " + (o.csvFile == "-" ? std::string("the table to stdout") : o.csvFile) + ": " + countsText(counts) + ".");
  if (!recorded.inputsChanged.empty()) throw RunError(recorded.inputsChanged);
}

void sweepCollect(const SweepOptions& o) {
  const std::string dir = absoluteFolder(o.dir);
  if (!o.csvFile.empty()) return sweepSnapshot(o, dir);
  const ExperimentLock lock(dir, "sweep collect");
  const RecordedPlan recorded = readRecordedPlan(dir);
  const ExperimentPlan& plan = recorded.plan;
  if (!recorded.inputsChanged.empty()) {
    say(o, std::to_string(plan.runs.size()) + " runs: " + countsText(countRuns(plan, dir, nullptr)) + ".");
    throw RunError(recorded.inputsChanged + ". " + dir + "/" + kResultsFileName + " is left as it was.");
  }
  const RunCounts counts = writeResultsTable(plan, dir, o.afterCluster);
  say(o, "Wrote " + dir + "/results.csv: " + countsText(counts) + ".");
  failIfRunsFailed(counts, static_cast<int>(plan.runs.size()), dir);
}

// One array task of the cluster engine: its runs, one after another unless
// Slurm gave it more processors.
void sweepTask(const SweepOptions& o) {
  const std::string dir = absoluteFolder(o.dir);
  const ExperimentLock lock(dir, "sweep task", ExperimentLock::Use::ArrayTask);
  const ExperimentPlan plan = recordedPlan(dir);
  std::vector<int> runs;
  for (int id : runsOfTask(plan, dir, o.task))
    if (runOutcome(dir, plan.runs.name(id), nullptr) != RunOutcome::Done) runs.push_back(id);
  const char* cpus = std::getenv("SLURM_CPUS_PER_TASK");
  const int jobs = cpus && std::atoi(cpus) > 0 ? std::atoi(cpus) : 1;
  const int failed = runLocally(thisProgram(), dir, plan, runs, jobs, [](const PlannedRun& run, bool done) {
    std::fprintf(stderr, "run %s %s\n", run.name.c_str(), done ? "done" : "failed");
  });
  if (failed > 0) throw RunError(std::to_string(failed) + " of the task's runs failed");
}

// Drawn by the program that draws, as analyze --plot is.
void sweepPlot(const SweepOptions& o, const PlotBinding& plotting) {
  if (!o.yName.empty() && o.yName == o.xName) throw CLI::ValidationError("--y", "must name another parameter than --x");
  if (plotting.handOver) plotting.handOver();
  SweepSettings settings;
  settings.xName = o.xName;
  settings.yName = o.yName;
  settings.metric = o.metric;
  settings.pool = o.pool == "paths" ? SweepPool::Paths : SweepPool::Runs;
  settings.binned = readRecordedDescription(experimentRecordFile(o.dir)).design != DesignKind::Grid;
  const SweepSummary summary = summariseSweep(o.dir + "/" + kResultsFileName, settings);
  plotting.drawSweep(summary, o.plotFile);
  std::fprintf(stderr, "Drew %s over %s%s into %s.\n", o.metric.c_str(), o.xName.c_str(),
               o.yName.empty() ? "" : (" and " + o.yName).c_str(), o.plotFile.c_str());
}

void addPlotCommand(CLI::App& sweep, const std::shared_ptr<SweepOptions>& o, const PlotBinding& plotting) {
  std::string metrics;
  for (const std::string& m : sweepMetrics()) metrics += (metrics.empty() ? "" : ", ") + m;
  CLI::App* plot = sweep.add_subcommand(
      "plot",
      "Draw a metric of DIR/results.csv over one varied parameter (the median across runs, each\n"
      "the median over its paths, with the 10-90 % band) or over two (a colour grid of the median\n"
      "with a colour scale). On a sampled design the parameters are cut into equal bins.");
  plot->add_option("dir", o->dir, "The experiment folder")->required()->type_name("DIR");
  plot->add_option("--x", o->xName, "The varied parameter along the horizontal axis")->required()->type_name("NAME");
  plot->add_option("--y", o->yName, "A second varied parameter, for a colour grid")->type_name("NAME");
  plot->add_option("--metric", o->metric,
                   "One of " + metrics +
                       ".\nskew_sim and kurt_sim are the report's: skew_sim = -facts_skew, kurt_sim = "
                       "facts_excess_kurtosis + 3")
      ->check(CLI::IsMember(sweepMetrics()))
      ->capture_default_str();
  plot->add_option("--pool", o->pool,
                   "runs: each run first gives the median over its paths, the spread is across runs;\n"
                   "paths: every path pooled, as if the paths of a run were independent")
      ->check(CLI::IsMember({"runs", "paths"}))
      ->capture_default_str();
  plot->add_option("--plot", o->plotFile, "The picture: PNG, SVG or PDF by the extension")
      ->required()
      ->type_name("FILE")
      ->check(CLI::Validator(plotFileProblem, "", "picture file"));
  plot->callback([o, plotting] { sweepPlot(*o, plotting); });
}

// A table into the file given, or onto stdout.
void writeTable(const std::string& csvFile, const std::string& table) {
  if (!csvFile.empty()) {
    writeFileAtomically(csvFile, table);
    return;
  }
  if (std::fputs(table.c_str(), stdout) == EOF || std::fflush(stdout) != 0)
    throw RunError("Cannot write the table to stdout");
}

void sweepSensitivity(const SweepOptions& o, const PlotBinding& plotting) {
  if (!o.plotFile.empty() && plotting.handOver) plotting.handOver();
  SensitivitySettings settings;
  settings.metric = o.metric;
  settings.resamples = o.resamples;
  settings.check = o.check;
  const SensitivityReport report = sensitivityOf(o.dir, settings);
  for (const std::string& note : report.notes) std::fprintf(stderr, "velquin-cli: note: %s\n", note.c_str());
  writeTable(o.csvFile, report.table);
  if (!o.csvFile.empty())
    std::fprintf(stderr, "Wrote the %s indices of %s over %zu parameters into %s.\n", report.design.c_str(),
                 o.metric.c_str(), report.names.size(), o.csvFile.c_str());
  if (o.plotFile.empty()) return;
  plotting.drawSensitivity(report, o.plotFile);
  std::fprintf(stderr, "Drew the %s indices of %s into %s.\n", report.design.c_str(), o.metric.c_str(),
               o.plotFile.c_str());
}

void addSensitivityCommand(CLI::App& sweep, const std::shared_ptr<SweepOptions>& o, const PlotBinding& plotting) {
  CLI::App* command = sweep.add_subcommand(
      "sensitivity",
      "Which parameters matter: the Sobol indices (first order S1 after Saltelli 2010, total ST\n"
      "after Jansen) of a saltelli experiment, or the Morris mu, mu* and sigma of a morris one, each\n"
      "with a bootstrap 95 % interval. Each run gives the median of the metric over its paths, each\n"
      "point the mean over its seeds; every point must be done. One row per varied parameter.");
  command->add_option("dir", o->dir, "The experiment folder")->required()->type_name("DIR");
  command->add_option("--metric", o->metric, "A metric of the results table, as sweep plot takes it")
      ->required()
      ->type_name("M");
  command->add_option("--csv", o->csvFile, "Write the table into FILE (default: stdout)")->type_name("FILE");
  command->add_option("--resamples", o->resamples, "Bootstrap resamples for the intervals")
      ->check(CLI::Range(10, 100000))
      ->capture_default_str();
  command->add_flag("--check", o->check,
                    "Convergence: add the indices from the first half of the samples (columns ending _half)");
  command
      ->add_option("--plot", o->plotFile,
                   "Also draw the indices into FILE (PNG, SVG or PDF by the extension): bars with their intervals\n"
                   "(saltelli) or mu* against sigma, each parameter named (morris)")
      ->type_name("FILE")
      ->check(CLI::Validator(plotFileProblem, "", "picture file"));
  command->callback([o, plotting] { sweepSensitivity(*o, plotting); });
}

void sweepVariance(const SweepOptions& o) {
  const VarianceReport report = varianceOf(o.dir, o.metric, o.logScale, o.resamples);
  for (const std::string& note : report.notes) std::fprintf(stderr, "velquin-cli: note: %s\n", note.c_str());
  writeTable(o.csvFile, report.table);
}

void addVarianceCommand(CLI::App& sweep, const std::shared_ptr<SweepOptions>& o) {
  CLI::App* command = sweep.add_subcommand(
      "variance",
      "How much is luck: the variance of a metric split into design point, seed within point and\n"
      "path within run (nested random effects, analysis-of-variance moment estimators), each share\n"
      "with a bootstrap 95 % interval over seeds. Rows: point, seed, path; columns: level, variance,\n"
      "share, share_low, share_high. Needs two or more seeds.");
  command->add_option("dir", o->dir, "The experiment folder")->required()->type_name("DIR");
  command->add_option("--metric", o->metric, "A metric of the results table, as sweep plot takes it")
      ->required()
      ->type_name("M");
  command->add_option("--csv", o->csvFile, "Write the table into FILE (default: stdout)")->type_name("FILE");
  command->add_flag("--log", o->logScale,
                    "Split the variance of the natural log of the metric, which must be positive");
  command->add_option("--resamples", o->resamples, "Bootstrap resamples for the intervals")
      ->check(CLI::Range(10, 100000))
      ->capture_default_str();
  command->callback([o] { sweepVariance(*o); });
}

}  // namespace

std::string thisProgram() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) throw RunError("Cannot find this program's own file (/proc/self/exe): " + error.message());
  // Its runs go to workers forked from it that run their command lines:
  // loading the program anew would cost more than a short run.
  runInWorkersWhenProgramIs(self.string(), [](const std::vector<std::string>& words) {
    std::vector<char*> argv;
    for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    return runRunCommandLine(static_cast<int>(words.size()), argv.data());
  });
  return self.string();
}

std::string thisCommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string line;
  std::string word;
  while (std::getline(in, word, '\0')) line += (line.empty() ? "" : " ") + shellWord(word);
  return line;
}

void addSweepCommand(CLI::App& app, bool withRuns, const PlotBinding* plotting) {
  if (!withRuns && !plotting) return;
  auto o = std::make_shared<SweepOptions>();
  CLI::App* sweep =
      app.add_subcommand("sweep",
                         "Experiments: every point of a description's design, times every seed, as its own run; one\n"
                         "table of results. See README for the description file.");
  sweep->require_subcommand(1);
  if (plotting) addPlotCommand(*sweep, o, *plotting);
  if (plotting) addSensitivityCommand(*sweep, o, *plotting);
  if (plotting) addVarianceCommand(*sweep, o);
  if (!withRuns) return;

  CLI::App* run = sweep->add_subcommand(
      "run",
      "Run an experiment into DIR: DIR/runs/<id>/ per run, DIR/results.csv, DIR/experiment.toml.\n"
      "Every point is checked before the first run starts. Running the same command again resumes:\n"
      "finished runs are kept, unfinished and failed ones start again from empty. Exits 1 when a\n"
      "run failed (the others still run).");
  run->add_option("description", o->description, "The experiment description (TOML)")->required()->type_name("FILE");
  run->add_option("--out", o->dir, "The experiment folder: new, empty, or made by the same description")
      ->required()
      ->type_name("DIR");
  run->add_option("--engine", o->engine,
                  "local: a pool of processes on this machine; slurm: one job array and a collector\n"
                  "job, submitted with sbatch (DIR must be on a file system the nodes share)")
      ->check(CLI::IsMember({"local", "slurm"}))
      ->capture_default_str();
  run->add_option("-j,--jobs", o->jobs, "local: runs at a time (default: one per core)")
      ->type_name("N")
      ->check(CLI::Range(1, 4096));
  run->add_option("--sbatch", o->sbatch,
                  "slurm: more options for both sbatch calls, as one text, e.g.\n"
                  "--sbatch \"--partition=long --time=02:00:00\"")
      ->type_name("OPTIONS");
  run->add_option("--task-seconds", o->taskSeconds,
                  "slurm: the work an array task holds, about, by the plan's estimate of each run;\n"
                  "runs go to the tasks in chunks, within the cluster's MaxArraySize")
      ->type_name("S")
      ->check(CLI::Range(0.0, 1e6))
      ->capture_default_str();
  run->add_flag("--replace", o->replace, "Remove the runs of another experiment found in DIR and start again");
  run->add_flag("-q,--quiet", o->quiet, "No progress line and no messages but errors");
  run->callback([o, run] { sweepRun(*o, *run); });

  CLI::App* status = sweep->add_subcommand("status", "Count the runs of DIR that are done, failed and pending");
  status->add_option("dir", o->dir, "The experiment folder")->required()->type_name("DIR");
  status->callback([o] { sweepStatus(*o); });

  CLI::App* collect = sweep->add_subcommand("collect", "Write DIR/results.csv from the runs as they are now");
  collect->add_option("dir", o->dir, "The experiment folder")->required()->type_name("DIR");
  collect->add_flag("--after-cluster", o->afterCluster,
                    "Count a run that is neither done nor failed as failed (the cluster's jobs have ended)");
  collect
      ->add_option("--csv", o->csvFile,
                   "Write the table to FILE (- for stdout) instead, outside DIR, which is then only read:\n"
                   "a look at runs that still go on, locally or on the cluster; unfinished runs are pending")
      ->type_name("FILE");
  collect->add_flag("-q,--quiet", o->quiet, "No messages but errors");
  collect->callback([o] { sweepCollect(*o); });

  // Started by the cluster engine's array tasks, not by hand.
  CLI::App* task = sweep->add_subcommand("task", "");
  task->group("");
  task->add_option("dir", o->dir)->required();
  task->add_option("--task", o->task)->required();
  task->callback([o] { sweepTask(*o); });
}

}  // namespace vk

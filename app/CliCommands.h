#pragma once
// The subcommands of the command line. Each adds itself to the command line;
// its callback does the work and throws vk::RunError when it fails.
#include <functional>
#include <string>

#include <CLI/CLI.hpp>

namespace vk {

struct CalibrationOutputs;
struct ContourSeries;
struct FactsSeries;
struct PathSummarySeries;
struct SensitivityReport;
struct SweepSummary;
struct WeightsSeries;

// How analyze --plot draws a summary's chart. velquin-cli loads no window
// toolkit: it hands the whole command over to velquin-plot, which draws.
struct PlotBinding {
  // Runs the command in the program that draws, before anything is read or
  // written; does not return.
  std::function<void()> handOver;
  std::function<void(const PathSummarySeries&, const std::string& file)> drawPaths;
  std::function<void(const ContourSeries&, const std::string& file)> drawContour;
  std::function<void(const WeightsSeries&, const std::string& file)> drawWeights;
  std::function<void(const SweepSummary&, const std::string& file)> drawSweep;
  std::function<void(const FactsSeries&, const std::string& file)> drawFacts;
  std::function<void(const SensitivityReport&, const std::string& file)> drawSensitivity;
  std::function<void(const CalibrationOutputs&, const std::string& file)> drawCalibration;
};

void addRunCommand(CLI::App& app);
// Without a binding, analyze offers no --plot.
void addAnalyzeCommand(CLI::App& app, const PlotBinding* plotting);
// withRuns false offers sweep plot only (the program that draws runs no
// simulation); without a binding, sweep offers no plot.
void addSweepCommand(CLI::App& app, bool withRuns, const PlotBinding* plotting);

// What calibrate was asked to do.
struct CalibrateOptions {
  std::string description;
  std::string dir;
  int jobs = 0;  // 0: one per core
  std::string engine = "local";
  std::string sbatch;
  double taskSeconds = 0;  // set from the engine's default
  bool replace = false;
  bool quiet = false;
  // calibrate market
  std::string runDir;
  std::string resultDir;
  std::string price;
  int path = 0;
  std::string marketFile;
  // calibrate plot
  std::string plotFile;
  // calibrate task: one array task of a batch on Slurm
  int task = 0;
};

// How calibrate does its work. The calibration's search library takes longer
// to load than a short run takes to run, so velquin-cli does not link it: it
// hands the whole command over to velquin-calibrate, built beside it, which
// binds the actions.
struct CalibrationBinding {
  // Runs the command in velquin-calibrate, before anything is read or
  // written; does not return.
  std::function<void()> handOver;
  std::function<void(const CalibrateOptions&)> run;
  std::function<void(const CalibrateOptions&)> status;
  std::function<void(const CalibrateOptions&)> market;
  std::function<void(const CalibrateOptions&)> task;
};

// calibrate run, status and market need withRuns and a calibration binding,
// calibrate plot a plot binding; without either there is no calibrate.
void addCalibrateCommand(CLI::App& app, bool withRuns, const CalibrationBinding* calibrating,
                         const PlotBinding* plotting);

// This program, for the runs it starts: they must be the very same binary.
// The local pool starts them as forks of this process (LocalPool.h).
std::string thisProgram();
// The command line as typed, each word quoted where a shell would need it.
std::string thisCommandLine();

// The picture formats --plot writes, by extension in any letter case: an
// empty string when the file names one of them, else what is wrong.
std::string plotFileProblem(const std::string& file);

// Parses the command line and runs the chosen subcommand; the exit status:
// 0 done, 1 failed, 2 a command line that cannot be parsed. withRun false
// offers analyze only.
int runCommandLine(int argc, char** argv, bool withRun, const PlotBinding* plotting,
                   const CalibrationBinding* calibrating = nullptr);

// The same for a command line of `run` alone, as a sweep's runs have: only
// that command is made, as making every command took about a fifth of a
// short run's processor time. Standard output is flushed and stays open for
// the worker's next run.
int runRunCommandLine(int argc, char** argv);

// Replaces this process by velquin-plot, found beside this program, with the
// same arguments; returns only by a RunError saying why it could not.
void runPlotProgram(char** argv);
// The same for velquin-calibrate.
void runCalibrateProgram(char** argv);

}  // namespace vk

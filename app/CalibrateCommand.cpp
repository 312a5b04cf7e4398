// velquin-cli calibrate: parameters estimated from the actual market by the
// method of simulated moments, each generation of candidates run on this
// machine's cores. The options are read here; the work is done by the
// binding's actions (velquin-calibrate), and the charts by the program that
// draws (velquin-plot).
#include <cstdio>
#include <memory>
#include <string>

#include "app/CliCommands.h"
#include "calibration/CalibrationOutputs.h"
#include "experiment/SlurmEngine.h"

namespace vk {

namespace {

void calibratePlot(const CalibrateOptions& o, const PlotBinding& plotting) {
  if (plotting.handOver) plotting.handOver();
  const CalibrationOutputs outputs = readCalibrationOutputs(o.dir);
  plotting.drawCalibration(outputs, o.plotFile);
  std::fprintf(stderr, "Drew %zu evaluations%s into %s.\n", outputs.evaluations.size(),
               outputs.finished ? " and the estimate's fit" : " (the calibration has not finished)",
               o.plotFile.c_str());
}

void addPlotCommand(CLI::App& calibrate, const std::shared_ptr<CalibrateOptions>& o, const PlotBinding& plotting) {
  CLI::App* plot = calibrate.add_subcommand(
      "plot",
      "Draw DIR's loss by evaluation with the best so far, each parameter's candidates with the\n"
      "estimate's interval, and the moments actual (with the bootstrap 95 % band) against fitted.\n"
      "A calibration still running is drawn as far as it got.");
  plot->add_option("dir", o->dir, "The calibration folder")->required()->type_name("DIR");
  plot->add_option("--plot", o->plotFile, "The picture: PNG, SVG or PDF by the extension")
      ->required()
      ->type_name("FILE")
      ->check(CLI::Validator(plotFileProblem, "", "picture file"));
  plot->callback([o, plotting] { calibratePlot(*o, plotting); });
}

}  // namespace

void addCalibrateCommand(CLI::App& app, bool withRuns, const CalibrationBinding* calibrating,
                         const PlotBinding* plotting) {
  const bool running = withRuns && calibrating != nullptr;
  if (!running && plotting == nullptr) return;
  auto o = std::make_shared<CalibrateOptions>();
  CLI::App* calibrate = app.add_subcommand(
      "calibrate",
      "Calibration: estimate parameters of para.txt from the actual market by the method of simulated\n"
      "moments, with standard errors and a fit test. See README for the description file.");
  calibrate->require_subcommand(1);
  if (plotting) addPlotCommand(*calibrate, o, *plotting);
  if (!running) return;
  // Each action runs here, or in velquin-calibrate once this process is
  // replaced by it.
  const auto act = [o, calibrating](const std::function<void(const CalibrateOptions&)>& action) {
    return [o, calibrating, action] {
      if (calibrating->handOver) calibrating->handOver();
      action(*o);
    };
  };

  CLI::App* run = calibrate->add_subcommand(
      "run",
      "Run a calibration into DIR: evaluations.csv, report.txt, report.csv, estimate/para.txt.\n"
      "Running the same command again resumes from the last complete generation.");
  run->add_option("description", o->description, "The calibration description (TOML)")->required()->type_name("FILE");
  run->add_option("--out", o->dir, "The calibration folder: new, empty, or made by the same description")
      ->required()
      ->type_name("DIR");
  run->add_option("--engine", o->engine,
                  "local: a pool of processes on this machine; slurm: each generation one job array,\n"
                  "this command waiting for it (run it where sbatch and squeue work, on a file system\n"
                  "every node shares)")
      ->check(CLI::IsMember({"local", "slurm"}))
      ->capture_default_str();
  run->add_option("--sbatch", o->sbatch,
                  "slurm: more options for sbatch, as one text, e.g. --sbatch \"--partition=long\"")
      ->type_name("OPTIONS");
  o->taskSeconds = kDefaultTaskSeconds;
  run->add_option("--task-seconds", o->taskSeconds,
                  "slurm: the work an array task holds, about, by the plan's estimate of each run;\n"
                  "a generation with less goes to one task")
      ->type_name("S")
      ->check(CLI::NonNegativeNumber)
      ->capture_default_str();
  run->add_option("-j,--jobs", o->jobs, "Runs at a time (default: one per core)")
      ->type_name("N")
      ->check(CLI::Range(1, 4096));
  run->add_flag("--replace", o->replace, "Remove another calibration found in DIR and start again");
  run->add_flag("-q,--quiet", o->quiet, "No progress lines");
  const auto runAction = act(calibrating->run);
  run->callback([o, run, runAction] {
    for (const char* option : {"--sbatch", "--task-seconds"})
      if (o->engine != "slurm" && run->count(option) > 0)
        throw CLI::ValidationError(option, "applies to --engine slurm only");
    if (o->engine == "slurm" && run->count("--jobs") > 0)
      throw CLI::ValidationError("--jobs", "applies to --engine local only");
    runAction();
  });

  CLI::App* status = calibrate->add_subcommand("status", "The evaluations of DIR so far and the best loss");
  status->add_option("dir", o->dir, "The calibration folder")->required()->type_name("DIR");
  status->callback(act(calibrating->status));

  CLI::App* market = calibrate->add_subcommand(
      "market",
      "Write a synthetic market from a run, for a calibration to recover the run's parameters: the\n"
      "price file up to the last training week, then one path's simulated rate. The data file stays.");
  market->add_option("--run", o->runDir, "The run's working directory (its para.txt)")->required()->type_name("DIR");
  market->add_option("--result", o->resultDir, "The run's result directory (default: DIR/result)")->type_name("DIR");
  market->add_option("--price", o->price, "The price file the run read (default: DIR/price.txt)")->type_name("FILE");
  market->add_option("--path", o->path, "The path whose rate becomes the market's")
      ->type_name("N")
      ->check(CLI::NonNegativeNumber);
  market->add_option("--out", o->marketFile, "The new price file")->required()->type_name("FILE");
  market->callback(act(calibrating->market));

  // One array task of a generation on Slurm; the calibration submits it.
  CLI::App* task = calibrate->add_subcommand("task", "");
  task->group("");
  task->add_option("dir", o->dir)->required();
  task->add_option("--task", o->task)->required();
  task->callback(act(calibrating->task));
}

}  // namespace vk

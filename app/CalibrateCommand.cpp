// velquin-cli calibrate: parameters estimated from the actual market by the
// method of simulated moments, each generation of candidates run on this
// machine's cores. The options are read here; the work is done by the
// binding's actions (velquin-calibrate).
#include <memory>
#include <string>

#include "app/CliCommands.h"

namespace vk {

void addCalibrateCommand(CLI::App& app, bool withRuns, const CalibrationBinding* calibrating) {
  if (!withRuns || calibrating == nullptr) return;
  auto o = std::make_shared<CalibrateOptions>();
  CLI::App* calibrate = app.add_subcommand(
      "calibrate",
      "Calibration: estimate parameters of para.txt from the actual market by the method of simulated\n"
      "moments, with standard errors and a fit test. See README for the description file.");
  calibrate->require_subcommand(1);
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
  run->add_option("--engine", o->engine, "local: a pool of processes on this machine")
      ->check(CLI::IsMember({"local"}))
      ->capture_default_str();
  run->add_option("-j,--jobs", o->jobs, "Runs at a time (default: one per core)")
      ->type_name("N")
      ->check(CLI::Range(1, 4096));
  run->add_flag("--replace", o->replace, "Remove another calibration found in DIR and start again");
  run->add_flag("-q,--quiet", o->quiet, "No progress lines");
  run->callback(act(calibrating->run));

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
}

}  // namespace vk

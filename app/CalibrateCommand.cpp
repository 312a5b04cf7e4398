// velquin-cli calibrate: parameters estimated from the actual market by the
// method of simulated moments, each generation of candidates run on this
// machine's cores.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/CliCommands.h"
#include "calibration/BatchRecord.h"
#include "calibration/Calibration.h"
#include "calibration/CalibrationDescription.h"
#include "calibration/SyntheticMarket.h"
#include "experiment/LocalPool.h"
#include "io/RunError.h"

#ifndef VELQUIN_VERSION
#define VELQUIN_VERSION "unknown"
#endif

namespace vk {

namespace fs = std::filesystem;

namespace {

struct CalibrateOptions {
  std::string description;
  std::string dir;
  int jobs = 0;  // 0: one per core
  std::string engine = "local";
  bool replace = false;
  bool quiet = false;
  // calibrate market
  std::string runDir;
  std::string resultDir;
  std::string price;
  int path = 0;
  std::string marketFile;
};

void calibrateRun(const CalibrateOptions& o) {
  const CalibrationDescription c = readCalibrationDescription(o.description);
  CalibrationSettings s;
  s.dir = fs::absolute(o.dir).lexically_normal().string();
  s.program = thisProgram();
  s.jobs = o.jobs > 0 ? o.jobs : availableCores();
  s.replace = o.replace;
  s.version = VELQUIN_VERSION;
  s.commandLine = thisCommandLine();
  const auto begin = std::chrono::steady_clock::now();
  if (!o.quiet)
    s.say = [begin](const std::string& text) {
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
      std::fprintf(stderr, "[%6.1f s] %s\n", seconds, text.c_str());
    };
  runCalibration(c, s);
}

void calibrateStatus(const CalibrateOptions& o) {
  const CalibrationStatus s = calibrationStatus(fs::absolute(o.dir).lexically_normal().string());
  std::printf("%d evaluations, %d failed; last: %s generation %d; best loss of the search so far: %s%s\n",
              s.evaluations, s.failed, s.step.c_str(), s.generation, exactNumber(s.bestLoss).c_str(),
              s.finished ? "; finished (report.txt)" : "");
}

void calibrateMarket(const CalibrateOptions& o) {
  SyntheticMarketSource source;
  source.paraFile = o.runDir + "/para.txt";
  source.priceFile = o.price.empty() ? o.runDir + "/price.txt" : o.price;
  source.resultDir = o.resultDir.empty() ? o.runDir + "/result" : o.resultDir;
  source.path = o.path;
  const int weeks = writeSyntheticMarket(source, o.marketFile);
  std::fprintf(stderr, "Wrote %s: %s up to the last training week, then path %d's rate over %d simulated weeks.\n",
               o.marketFile.c_str(), source.priceFile.c_str(), o.path, weeks);
}

}  // namespace

void addCalibrateCommand(CLI::App& app, bool withRuns) {
  if (!withRuns) return;
  auto o = std::make_shared<CalibrateOptions>();
  CLI::App* calibrate = app.add_subcommand(
      "calibrate",
      "Calibration: estimate parameters of para.txt from the actual market by the method of simulated\n"
      "moments, with standard errors and a fit test. See README for the description file.");
  calibrate->require_subcommand(1);

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
  run->callback([o] { calibrateRun(*o); });

  CLI::App* status = calibrate->add_subcommand("status", "The evaluations of DIR so far and the best loss");
  status->add_option("dir", o->dir, "The calibration folder")->required()->type_name("DIR");
  status->callback([o] { calibrateStatus(*o); });

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
  market->callback([o] { calibrateMarket(*o); });
}

}  // namespace vk

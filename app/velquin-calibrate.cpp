// velquin-calibrate: what velquin-cli calibrate does, in the program that
// links the calibration's search. velquin-cli hands the command over to it.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/CliCommands.h"
#include "calibration/BatchRecord.h"
#include "calibration/Calibration.h"
#include "calibration/CalibrationDescription.h"
#include "calibration/CandidateBatch.h"
#include "calibration/SyntheticMarket.h"
#include "experiment/LocalPool.h"
#include "experiment/SlurmEngine.h"

#ifndef VELQUIN_VERSION
#define VELQUIN_VERSION "unknown"
#endif

namespace vk {

namespace fs = std::filesystem;

namespace {

void calibrateRun(const CalibrateOptions& o) {
  const CalibrationDescription c = readCalibrationDescription(o.description);
  CalibrationSettings s;
  s.dir = fs::absolute(o.dir).lexically_normal().string();
  s.program = thisProgram();
  s.engine.jobs = o.jobs > 0 ? o.jobs : availableCores();
  s.engine.slurm = o.engine == "slurm";
  s.engine.sbatch = splitOptionWords(o.sbatch);
  s.engine.taskSeconds = o.taskSeconds;
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

void calibrateTask(const CalibrateOptions& o) {
  runBatchTask(fs::absolute(o.dir).lexically_normal().string(), o.task, thisProgram());
}

}  // namespace

}  // namespace vk

int main(int argc, char** argv) {
  vk::CalibrationBinding calibrating;
  calibrating.run = vk::calibrateRun;
  calibrating.status = vk::calibrateStatus;
  calibrating.market = vk::calibrateMarket;
  calibrating.task = vk::calibrateTask;
  return vk::runCommandLine(argc, argv, true, nullptr, &calibrating);
}

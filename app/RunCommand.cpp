// velquin-cli run: one simulation run in a working directory.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "analysis/EarlierRun.h"
#include "app/CliCommands.h"
#include "app/TerminalDisplay.h"
#include "io/RunError.h"
#include "model/Seed.h"
#include "run/ParameterFile.h"
#include "run/RunDriver.h"

namespace vk {

namespace {

struct RunOptions {
  std::string workDir;
  std::string resultDir = "result";
  std::string priceFile = "price.txt";
  std::string dataFile = "data.txt";
  std::string seed;  // empty: the fixed seed, as a run without the option
  bool quiet = false;
  bool moveEarlier = false;
};

void changeToWorkDir(const std::string& dir) {
  if (!dir.empty() && ::chdir(dir.c_str()) != 0) throwFileError("change to the working directory", dir, errno);
}

// Files of an earlier run that this run will not rewrite are named on
// stderr, also with --quiet: two runs must never be mixed unannounced. They
// are moved aside only when asked to.
void handleEarlierRunFiles(const RunOptions& o) {
  Parameters p;
  try {
    p = readParameterFile("para.txt");
  } catch (const RunError&) {
    return;  // the run itself reports the parameter file
  }
  const std::vector<std::string> earlier = earlierRunFiles(o.resultDir, p);
  if (earlier.empty()) return;
  const std::string what = describeEarlierRunFiles(o.resultDir, earlier);
  if (!o.moveEarlier) {
    std::fprintf(stderr, "velquin-cli run: %s --move-earlier moves the whole earlier run into %s/%s.\n", what.c_str(),
                 o.resultDir.c_str(), nextEarlierRunFolder(o.resultDir).c_str());
    return;
  }
  // The whole run, so that the folder holds a run that can be analysed.
  const MovedRun moved = moveEarlierRun(o.resultDir);
  std::fprintf(stderr, "velquin-cli run: %s The earlier run (%s) was moved into %s/%s.\n", what.c_str(),
               fileCount(moved.files).c_str(), o.resultDir.c_str(), moved.folder.c_str());
}

void runCommand(const RunOptions& o) {
  const SeedNumber seed = o.seed.empty() ? 0 : seedNumberFromText(o.seed, "--seed");
  const double generatorSeed = generatorSeedOf(seed);
  changeToWorkDir(o.workDir);
  handleEarlierRunFiles(o);
  bool ran;
  if (o.quiet) {
    QuietDisplay silent;
    ran = RunSimulation(o.resultDir, o.priceFile, o.dataFile, silent, generatorSeed);
  } else {
    TerminalDisplay display(stdout, stderr, ::isatty(STDERR_FILENO));
    if (!o.seed.empty())
      display.AppendLog("Seed " + std::to_string(seed) + ": the generator starts from " +
                        generatorSeedText(generatorSeed) + ".");
    ran = RunSimulation(o.resultDir, o.priceFile, o.dataFile, display, generatorSeed);
    if (display.logError() != 0) throwFileError("write the log to", "standard output", display.logError());
  }
  // A batch job must not mistake a mistyped mode for a run that worked.
  if (!ran)
    throw RunError("the run mode " + quoted(readParameterFile("para.txt").runMode) +
                   " on the last line of para.txt is none of write, all, read, detail, factor and frequency; no "
                   "path was run");
}

}  // namespace

void addRunCommand(CLI::App& app) {
  auto options = std::make_shared<RunOptions>();
  CLI::App* run =
      app.add_subcommand("run",
                         "Perform one simulation run in the working directory. para.txt, wdata.txt and (in the replay\n"
                         "modes) filename.txt are read there, and relative names resolve there. The run mode is the\n"
                         "last line of para.txt. The result directory must exist.");
  run->add_option("-C,--workdir", options->workDir, "Working directory of the run (default: the current one)");
  run->add_option("--result", options->resultDir, "Result directory (not empty)")->capture_default_str();
  run->add_option("--price", options->priceFile, "Price file: the actual rate, one value per line")
      ->capture_default_str();
  run->add_option("--data", options->dataFile, "Data file: fourteen integer factors per week")->capture_default_str();
  run->add_option("--seed", options->seed,
                  "Seed the generator with the whole number S (0.." + std::to_string(kMaxSeedNumber) +
                      ") instead of\n"
                      "the fixed seed. Seed 0 is the fixed seed 0.873944312987 (the same bytes as no\n"
                      "--seed); any other S is mixed into a real in (0, 1), the same on every machine.\n"
                      "The generator's start value is logged.")
      ->type_name("S")
      // An empty S would otherwise read as no --seed: the fixed seed, silently.
      ->check(CLI::Validator(
          [](const std::string& s) { return s.empty() ? std::string("an empty seed names no number") : std::string(); },
          "", "seed"));
  run->add_flag("--move-earlier", options->moveEarlier,
                "When the result directory holds files of an earlier run that this run will not rewrite,\n"
                "move that whole run into a new sub-folder earlier-run-N (without it they are only named\n"
                "on stderr)");
  run->add_flag("-q,--quiet", options->quiet, "Show nothing: no log lines, no progress line");
  run->callback([options] { runCommand(*options); });
}

}  // namespace vk

// Experiments: 16 demo-sized runs through sweep run against the same 16 runs
// one after another, and the writing of a results table of 10,000 rows.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "experiment/Description.h"
#include "experiment/LocalPool.h"
#include "experiment/Plan.h"
#include "experiment/ResultsTable.h"
#include "experiment/RunFolder.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 16;
constexpr int kTableRuns = 1000;  // of ten paths each: 10,000 rows

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

void write(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

}  // namespace

int main() {
  const fs::path root = fs::temp_directory_path() / ("velquin-bench-experiment-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root);
  shell("cp -r '" VELQUIN_DEMO_DIR "' '" + root.string() + "/in'");
  // The demo as shipped runs in mode all; an experiment needs write or all,
  // and both runs below use the same mode.
  write(root / "sweep.toml", "inputs = \"in\"\n[replications]\nseeds = " + std::to_string(kRuns) + "\n");

  // The same runs one after another: velquin-cli run in a folder of its own.
  for (int i = 0; i < kRuns; ++i) fs::create_directories(root / "plain" / std::to_string(i) / "result");
  const Clock::time_point plainStart = Clock::now();
  for (int i = 0; i < kRuns; ++i)
    shell("cd '" + root.string() + "/in' && '" VELQUIN_CLI "' run -q --result ../plain/" + std::to_string(i) +
          "/result --seed " + std::to_string(i));
  const double plain = secondsSince(plainStart);

  const Clock::time_point oneStart = Clock::now();
  shell("cd '" + root.string() + "' && '" VELQUIN_CLI "' sweep run sweep.toml --out one --jobs 1 -q");
  const double oneJob = secondsSince(oneStart);

  const int cores = vk::availableCores();
  const Clock::time_point poolStart = Clock::now();
  shell("cd '" + root.string() + "' && '" VELQUIN_CLI "' sweep run sweep.toml --out pool -q");
  const double pool = secondsSince(poolStart);

  std::printf("%d demo-sized runs one after another (velquin-cli run): %.3f s\n", kRuns, plain);
  std::printf("the same as sweep run --jobs 1:                      %.3f s (%.1f ms overhead per run)\n", oneJob,
              (oneJob - plain) / kRuns * 1000);
  std::printf("the same as sweep run on %d cores:                    %.3f s = %.2f x one after another\n", cores, pool,
              pool / plain);

  // A table of 10,000 rows: 1,000 finished runs of ten paths each, made by
  // copying one real run's report into each run's folder.
  write(root / "table.toml",
        "inputs = \"in\"\nmode = \"write\"\n[replications]\nseeds = " + std::to_string(kTableRuns) + "\n");
  const vk::ExperimentPlan plan = vk::makePlan(vk::readDescription((root / "table.toml").string()));
  const std::string dir = (root / "table").string();
  const std::string report = (root / "pool/runs/0000/result/eval.txt").string();
  for (const vk::PlannedRun& run : plan.runs) {
    fs::create_directories(vk::runResultFolder(dir, run));
    fs::copy_file(report, vk::runResultFolder(dir, run) + "/eval.txt");
    write(vk::runFolder(dir, run) + "/done", "done\n");
  }
  const Clock::time_point tableStart = Clock::now();
  const vk::RunCounts counts = vk::writeResultsTable(plan, dir, false);
  const double table = secondsSince(tableStart);
  std::ifstream written(dir + "/results.csv");
  int rows = -1;
  for (std::string line; std::getline(written, line);) ++rows;
  std::printf("results.csv of %d rows (%d runs) written in %.3f s\n", rows, counts.done, table);

  fs::remove_all(root);
  return 0;
}

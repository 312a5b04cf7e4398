// Which parameters matter, at the sizes a study reaches: sweep sensitivity on
// a saltelli design of 8 ranges x 4096 samples (40,960 points, one path
// each) with 1,000 bootstrap resamples, and sweep variance on a table of
// 100,000 rows (100 points x 10 seeds x 100 paths). The tables are written
// here with every column a real one has, the metric taken from the G
// function, so no run is needed; the commands run as a user starts them.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "experiment/Description.h"
#include "experiment/ExperimentRecord.h"
#include "experiment/Plan.h"
#include "experiment/ResultsTable.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

void shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

void write(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

// The command's wall time and the processor time of the children it took.
void timed(const char* what, const std::string& command) {
  rusage before{}, after{};
  ::getrusage(RUSAGE_CHILDREN, &before);
  const Clock::time_point start = Clock::now();
  shell(command);
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  ::getrusage(RUSAGE_CHILDREN, &after);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
  const double cpu =
      seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) - seconds(before.ru_stime);
  std::printf("%s: %.3f s wall, %.3f s processor (one core)\n", what, wall, cpu);
}

// An experiment folder for the description, and its results.csv with
// `paths` rows per run whose rmse_ratio is metric(point's units, seed, path).
template <class Metric>
void experiment(const fs::path& root, const std::string& name, const std::string& description, int paths,
                const Metric& metric) {
  write(root / (name + ".toml"), description);
  const vk::ExperimentPlan plan = vk::makePlan(vk::readDescription((root / (name + ".toml")).string()));
  const std::string dir = (root / name).string();
  vk::prepareExperimentFolder(plan, dir, false);
  vk::writeExperimentRecord(plan, dir, "bench", "bench");
  const std::vector<std::vector<double>> units = plan.description.design == vk::DesignKind::Grid
                                                     ? std::vector<std::vector<double>>()
                                                     : vk::designUnits(plan.description);

  std::string header = "run,seed";
  for (const std::string& column : plan.columns) header += "," + column;
  header += ",path";
  const std::vector<std::string> values = vk::resultsValueColumns();
  int rmseSim = -1;
  for (std::size_t c = 0; c < values.size(); ++c) {
    header += "," + values[c];
    if (values[c] == "rmse_sim") rmseSim = static_cast<int>(c);
  }
  std::ofstream out(dir + "/results.csv", std::ios::binary);
  out << header << ",status,message\n";
  char number[32];
  for (const vk::PlannedRun& run : plan.runs) {
    std::string head = std::to_string(run.id) + "," + std::to_string(run.seed);
    for (const std::string& v : plan.points[run.point]) head += "," + v;
    for (int path = 0; path < paths; ++path) {
      std::string row = head + "," + std::to_string(path);
      for (std::size_t c = 0; c < values.size(); ++c) {
        const double v = static_cast<int>(c) == rmseSim
                             ? metric(units.empty() ? std::vector<double>() : units[run.point], run.point, run.id, path)
                             : 0.123456789 + c;
        std::snprintf(number, sizeof number, "%.10g", v);
        row += std::string(",") + number;
      }
      out << row << ",done,\n";
    }
  }
}

double gFunction(const std::vector<double>& u) {
  const double a[] = {0, 1, 4.5, 9, 99, 99, 99, 99};
  double g = 1;
  for (int i = 0; i < 8; ++i) g *= (std::fabs(4 * u[i] - 2) + a[i]) / (1 + a[i]);
  return g;
}

}  // namespace

int main() {
  const fs::path root = fs::temp_directory_path() / ("velquin-bench-sensitivity-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root);
  shell("cp -r '" VELQUIN_DEMO_DIR "' '" + root.string() + "/in'");

  std::string saltelli = "inputs = \"in\"\nmode = \"write\"\n[vary]\n";
  for (const char* name : {"pcross1", "pmutation1", "gap1", "pcross2", "pmutation2", "gap2"})
    saltelli += std::string(name) + " = { from = 0.01, to = 0.3 }\n";
  saltelli += "trend1 = { from = 0.005, to = 0.02 }\ntrend2 = { from = 0.01, to = 0.03 }\n";
  saltelli += "[design]\nkind = \"saltelli\"\nsamples = 4096\nseed = 1\n";
  experiment(root, "saltelli", saltelli, 1,
             [](const std::vector<double>& u, int, int, int) { return 1 + gFunction(u); });
  timed("sweep sensitivity, 8 ranges x 4096 samples (40,960 points), 1000 resamples",
        "'" VELQUIN_CLI "' sweep sensitivity '" + (root / "saltelli").string() + "' --metric rmse_ratio --csv '" +
            (root / "indices.csv").string() + "' 2> /dev/null");
  shell("cat '" + (root / "indices.csv").string() + "'");

  const std::string grid =
      "inputs = \"in\"\nmode = \"write\"\n[vary]\npcross1 = { from = 0.1, to = 0.595, steps = 99 }\n"
      "[replications]\nseeds = 10\n";
  experiment(root, "grid", grid, 100, [](const std::vector<double>&, int point, int run, int path) {
    return 1 + 0.01 * (point % 7) + 0.001 * (run % 5) + 0.0001 * ((path * 7919 + run) % 13);
  });
  timed("sweep variance, 100,000 rows (100 points x 10 seeds x 100 paths)",
        "'" VELQUIN_CLI "' sweep variance '" + (root / "grid").string() + "' --metric rmse_ratio > /dev/null 2>&1");

  fs::remove_all(root);
  return 0;
}

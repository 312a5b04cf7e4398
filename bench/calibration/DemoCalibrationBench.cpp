// A calibration of the demo: delta and pmutation2 from five moments, 5 seeds
// x 10 paths, budget 150. Prints the wall time with every core, then the
// engine's overhead: the same calibration one run at a time against the very
// runs it made, started one after another as plain velquin-cli runs, and
// against the same runs each followed by its facts summary (the moments,
// which every run of the engine makes). The machine may be shared, so the
// load is printed beside the figures, and processor time (of this program
// and its children) beside wall time.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/calibration/BenchFiles.h"
#include "calibration/Calibration.h"
#include "calibration/CalibrationOutputs.h"
#include "experiment/LocalPool.h"
#include "io/ChildProcess.h"

namespace fs = std::filesystem;

namespace {

using bench::readText;
using bench::writeText;

std::string load() {
  std::string text = readText("/proc/loadavg");
  return text.substr(0, text.find(' ', text.find(' ', text.find(' ') + 1) + 1));
}

// Processor time of this program and of its children that ended so far, in
// seconds.
double processorSeconds() {
  double seconds = 0;
  for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    rusage usage{};
    ::getrusage(who, &usage);
    seconds += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  }
  return seconds;
}

struct Timing {
  double wall = 0;
  double processor = 0;
  Timing& operator+=(const Timing& t) {
    wall += t.wall;
    processor += t.processor;
    return *this;
  }
};

template <class Work>
Timing timed(Work work) {
  const double before = processorSeconds();
  const auto begin = std::chrono::steady_clock::now();
  work();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count(), processorSeconds() - before};
}

// Runs the program with its output thrown away; true when it succeeded.
bool runProgram(const std::vector<std::string>& words) {
  int error = 0;
  const pid_t pid = vk::startChild(words, "/dev/null", vk::ChildOutput::Append, &error);
  if (pid < 0) return false;
  const int status = vk::waitForChild(pid);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main() {
  const fs::path dir = fs::temp_directory_path() / ("velquin-calibration-bench-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::copy(VELQUIN_DEMO_DIR, dir / "demo", fs::copy_options::recursive);
  writeText(dir / "demo.toml",
            "inputs = \"demo\"\nmode = \"write\"\n[estimate]\ndelta = { from = 0.002, to = 0.008 }\n"
            "pmutation2 = { from = 0.0, to = 0.05 }\n"
            "[moments]\nuse = [\"std\", \"excess_kurtosis\", \"acf_r_1\", \"acf_abs_1\", \"acf_abs_5\"]\n"
            "[replications]\nseeds = 5\n[search]\nbudget = 150\nseed = 1\n");
  const vk::CalibrationDescription c = vk::readCalibrationDescription((dir / "demo.toml").string());
  const auto calibrate = [&](const std::string& out, int jobs) {
    vk::CalibrationSettings s;
    s.dir = (dir / out).string();
    s.program = VELQUIN_CLI;
    s.engine.jobs = jobs;
    vk::runCalibration(c, s);
  };

  const int cores = vk::availableCores();
  std::printf("Calibration of the demo (delta, pmutation2; 5 moments; 5 seeds x 10 paths; budget 150)\n");
  std::printf("load average before: %s\n", load().c_str());
  const Timing all = timed([&] { calibrate("all", cores); });
  const vk::CalibrationOutputs outputs = vk::readCalibrationOutputs((dir / "all").string());
  const std::size_t runs = outputs.evaluations.size() * c.seeds.size();
  std::printf("%d jobs: %.1f s wall (%.1f s processor), %zu candidates, %zu runs; load average after: %s\n", cores,
              all.wall, all.processor, outputs.evaluations.size(), runs, load().c_str());

  const Timing one = timed([&] { calibrate("one", 1); });
  const bool same = readText(dir / "one/evaluations.csv") == readText(dir / "all/evaluations.csv");
  // The same runs as plain runs, one after another: each candidate's
  // para.txt with every seed.
  std::size_t failed = 0;
  Timing plain, facts;
  int n = 0;
  for (const vk::Evaluation& e : outputs.evaluations) {
    const vk::Candidate candidate = vk::makeCandidate(c, e.values);
    for (const vk::ExperimentSeed& seed : c.seeds) {
      const fs::path run = dir / "plain" / std::to_string(n++);
      fs::create_directories(run / "result");
      writeText(run / "para.txt", candidate.parameterText);
      fs::copy_file(c.wdata, run / "wdata.txt");
      plain += timed([&] {
        failed += !runProgram({VELQUIN_CLI, "run", "-C", run.string(), "--price", c.market.price, "--data",
                               c.market.data, "--seed", std::to_string(seed), "--quiet"});
      });
      facts += timed([&] {
        failed += !runProgram({VELQUIN_CLI, "analyze", "facts", "--all", "--result", (run / "result").string()});
      });
      fs::remove_all(run);
    }
  }
  std::printf("1 job: %.1f s wall (%.1f s processor); evaluations %s those of %d jobs\n", one.wall, one.processor,
              same ? "equal" : "DIFFER FROM", cores);
  std::printf(
      "the same %zu runs one after another: %.1f s wall (%.1f s processor), their facts summaries %.1f s "
      "wall (%.1f s processor)%s\n",
      runs, plain.wall, plain.processor, facts.wall, facts.processor,
      failed ? (", " + std::to_string(failed) + " failed").c_str() : "");
  Timing both = plain;
  both += facts;
  std::printf(
      "engine overhead over the runs: %+.1f %% wall, %+.1f %% processor; over the runs and their facts: %+.1f "
      "%% wall, %+.1f %% processor\nload average after: %s\n",
      100 * (one.wall / plain.wall - 1), 100 * (one.processor / plain.processor - 1), 100 * (one.wall / both.wall - 1),
      100 * (one.processor / both.processor - 1), load().c_str());
  fs::remove_all(dir);
  return same ? 0 : 1;
}

// Times the model's week step and a whole demo run.
//
//   bench_model [DEMO_DIR]    (default: the examples/demo folder of the source tree)
//
// The week step is one generation with its forecasts and clearing (and the
// copy of the population the path loop makes after it), without reading the
// data file and without output; it is given in nanoseconds per agent-weight
// (popsize x nWeights). The demo run is the shipped demo in mode "all",
// output files included, run in a scratch copy.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "model/Genetics.h"
#include "model/PathLoop.h"
#include "run/Display.h"
#include "run/InputFiles.h"
#include "run/RunDriver.h"
#include "run/RunState.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time of this process, which other load on the machine disturbs less than wall time.
double cpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

// A run state as the driver leaves it before the first path, from the demo's
// input files with the population size and weight structure given.
std::unique_ptr<vk::RunState> preparedState(vk::Display& display, const fs::path& demo, int popsize,
                                            const std::string& structure) {
  auto state = vk::newRunState(display);
  vk::RunState& s = *state;
  s.dataFile = vk::TextReader::open((demo / "data.txt").string());
  vk::readWeightStructure(s, (demo / structure).string());
  static_cast<vk::Parameters&>(s) = vk::readParameterFile((demo / "para.txt").string());
  s.popsize = popsize;
  s.priceFileName = (demo / "price.txt").string();
  vk::initRun(s);
  vk::readPriceFile(s);
  vk::initPopulation(s);
  std::copy_n(s.agents.at(1), s.popsize, s.previousAgents.at(1));
  return state;
}

void selectPhase(vk::RunState& s) {
  const bool training = s.week <= s.teachyear;
  s.pcross = training ? s.pcross1 : s.pcross2;
  s.pmutation = training ? s.pmutation1 : s.pmutation2;
  s.gapCount = training ? s.gapCount1 : s.gapCount2;
}

// The week order of a path (training passes, then the simulated weeks),
// repeated; only the generation and the copy are timed.
void benchWeekStep(const fs::path& demo, int popsize, const std::string& structure) {
  vk::NullDisplay quiet;
  auto state = preparedState(quiet, demo, popsize, structure);
  vk::RunState& s = *state;
  std::vector<int> weeks;
  for (int pass = 1; pass <= s.nsample; ++pass)
    for (int w = s.minyear; w <= s.teachyear; ++w) weeks.push_back(w);
  for (int w = s.teachyear + 1; w <= s.maxyear; ++w) weeks.push_back(w);

  const int paths = 10;
  double timed = 0;
  long long steps = 0;
  for (int path = 0; path < paths; ++path) {
    for (int w : weeks) {
      s.week = w;
      selectPhase(s);
      vk::readWeekFactors(s);
      const double start = cpuSeconds();
      vk::runGeneration(s);
      std::copy_n(s.agents.at(1), s.popsize, s.previousAgents.at(1));
      timed += cpuSeconds() - start;
      ++steps;
    }
  }
  const double perStep = timed / steps;
  const double agentWeights = static_cast<double>(s.popsize) * s.nWeights;
  std::printf("week step, %3d agents x %3d weights (%s): %8.2f us per week, %6.2f ns per agent-weight"
              " (processor time, %lld weeks)\n",
              s.popsize, s.nWeights, structure.c_str(), perStep * 1e6, perStep * 1e9 / agentWeights, steps);
}

void benchDemoRun(const fs::path& demo) {
  const fs::path scratch = fs::temp_directory_path() / "velquin-bench-demo";
  std::vector<double> times, cpuTimes;
  for (int repeat = 0; repeat < 5; ++repeat) {
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    fs::copy(demo, scratch, fs::copy_options::recursive);
    fs::create_directory(scratch / "result");
    const fs::path previous = fs::current_path();
    fs::current_path(scratch);
    vk::NullDisplay quiet;
    const Clock::time_point start = Clock::now();
    const double cpuStart = cpuSeconds();
    vk::RunSimulation("result", "price.txt", "data.txt", quiet);
    times.push_back(secondsSince(start));
    cpuTimes.push_back(cpuSeconds() - cpuStart);
    fs::current_path(previous);
  }
  fs::remove_all(scratch);
  std::sort(times.begin(), times.end());
  std::sort(cpuTimes.begin(), cpuTimes.end());
  std::printf("demo run (mode \"all\", 10 paths, files written): wall best %.3f s, median %.3f s;"
              " processor best %.3f s (%zu runs)\n",
              times.front(), times[times.size() / 2], cpuTimes.front(), times.size());
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path demo = argc > 1 ? fs::path(argv[1]) : fs::path(VELQUIN_DEMO_DIR);
  try {
    benchWeekStep(demo, 100, "wdata.txt");
    benchWeekStep(demo, 100, "wdata-plain.txt");
    benchWeekStep(demo, 200, "wdata.txt");
    benchDemoRun(demo);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_model: %s\n", e.what());
    return 1;
  }
  return 0;
}

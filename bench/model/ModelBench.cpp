// Times the model's week step, the demo run, the largest supported run and
// the fixed-point formatter, and prints each figure beside the figure of the
// build before the vector kernels ("was") and the figure aimed at ("goal"),
// with the kernel that ran. VELQUIN_KERNEL=scalar|avx2|avx512 forces one.
//
//   bench_model [DEMO_DIR [VELQUIN_CLI]]   (defaults: the source tree's demo and the built program)
//
// The week step is one generation with its forecasts and clearing (and the
// copy of the population the path loop makes after it), without reading the
// data file and without output; it is given in nanoseconds per agent-weight
// (popsize x nWeights). The demo run is the shipped demo in mode "all",
// output files included, run in a scratch copy, in this process and as
// `velquin-cli run --quiet` (the processor time of the child process). The
// largest run has 200 agents of 100 weights over weeks 1..800, 600 of them
// training weeks passed 5 times, one path. The formatter check compares the
// files' number format with printf on 20 million values.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "io/TextFormat.h"
#include "io/TextReader.h"
#include "model/Kernel.h"

#include "model/Display.h"
#include "model/Genetics.h"
#include "model/PathLoop.h"
#include "model/RunState.h"
#include "model/WeekFactors.h"
#include "run/InputFiles.h"
#include "run/ParameterFile.h"
#include "run/RunDriver.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

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
  vk::readWeightStructure(s, (demo / structure).string());
  static_cast<vk::Parameters&>(s) = vk::readParameterFile((demo / "para.txt").string());
  s.popsize = popsize;
  vk::TextReader data = vk::TextReader::open((demo / "data.txt").string());
  vk::readDataFactors(s, data);
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
void benchWeekStep(const fs::path& demo, int popsize, const std::string& structure, const char* reference) {
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
      vk::loadWeekFactors(s);
      const double start = cpuSeconds();
      vk::runGeneration(s);
      std::copy_n(s.agents.at(1), s.popsize, s.previousAgents.at(1));
      timed += cpuSeconds() - start;
      ++steps;
    }
  }
  const double perStep = timed / steps;
  const double agentWeights = static_cast<double>(s.popsize) * s.nWeights;
  std::printf(
      "week step, %3d agents x %3d weights (%s): %8.2f us per week, %6.2f ns per agent-weight"
      " (processor time, %lld weeks) [%s]\n",
      s.popsize, s.nWeights, structure.c_str(), perStep * 1e6, perStep * 1e9 / agentWeights, steps, reference);
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
  std::printf(
      "demo run (mode \"all\", 10 paths, files written): wall best %.3f s, median %.3f s;"
      " processor best %.3f s (%zu runs)\n",
      times.front(), times[times.size() / 2], cpuTimes.front(), times.size());
}

// Processor time (user and system) of one child process, in seconds, or a
// negative number when it could not start or failed.
double childProcessorSeconds(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec * 1e-6;
}

// A fresh copy of the demo in a scratch folder with an empty result folder.
fs::path scratchDemo(const fs::path& demo, const char* name) {
  const fs::path scratch = fs::temp_directory_path() / name;
  fs::remove_all(scratch);
  fs::create_directories(scratch);
  fs::copy(demo, scratch, fs::copy_options::recursive);
  fs::create_directory(scratch / "result");
  return scratch;
}

void benchDemoCommand(const fs::path& demo, const std::string& cli) {
  std::vector<double> cpuTimes;
  for (int repeat = 0; repeat < 5; ++repeat) {
    const fs::path scratch = scratchDemo(demo, "velquin-bench-cli");
    const double seconds = childProcessorSeconds({cli, "run", "--quiet", "-C", scratch.string()});
    fs::remove_all(scratch);
    if (seconds < 0) {
      std::printf("demo run as velquin-cli run --quiet: failed\n");
      return;
    }
    cpuTimes.push_back(seconds);
  }
  std::sort(cpuTimes.begin(), cpuTimes.end());
  std::printf(
      "demo run as velquin-cli run --quiet: processor best %.3f s, median %.3f s (%zu runs)"
      " [was about 0.200 s, goal <= 0.070 s]\n",
      cpuTimes.front(), cpuTimes[cpuTimes.size() / 2], cpuTimes.size());
}

std::vector<std::string> linesOf(const fs::path& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Inputs for weeks up to 800: the demo's factor lines over and over, and a
// rate that repeats the demo's weekly changes.
void writeLongInputs(const fs::path& demo, const fs::path& dir) {
  const std::vector<std::string> data = linesOf(demo / "data.txt");
  std::ofstream dataOut(dir / "data.txt");
  for (int w = 1; w <= 800; ++w) dataOut << data[(w - 1) % data.size()] << "\n";
  std::vector<double> rates;
  for (const std::string& line : linesOf(demo / "price.txt")) rates.push_back(std::stod(line));
  const std::size_t known = rates.size();
  for (std::size_t i = known; i < 805; ++i) rates.push_back(rates[i - 1] + rates[i - known + 1] - rates[i - known]);
  std::ofstream priceOut(dir / "price.txt");
  priceOut.precision(17);
  for (double r : rates) priceOut << r << "\n";
}

// 100 weights: ten first-stage groups of seven factors, ten second-stage
// groups of one group output and one factor, and ten final weights.
void writeLargestStructure(const fs::path& dir) {
  std::ofstream out(dir / "wdata.txt");
  out << "10\n";
  for (int g = 1; g <= 10; ++g) {
    out << 7;
    for (int j = 0; j < 7; ++j) out << " " << (g + 3 * j) % 17 + 1;
    out << "\n";
  }
  out << "10\n";
  for (int g = 1; g <= 10; ++g) out << "1 1 " << g << " " << (g + 5) % 17 + 1 << "\n";
}

void benchLargestRun(const fs::path& demo) {
  std::vector<double> cpuTimes;
  for (int repeat = 0; repeat < 3; ++repeat) {
    const fs::path scratch = scratchDemo(demo, "velquin-bench-largest");
    writeLongInputs(demo, scratch);
    writeLargestStructure(scratch);
    std::ofstream(scratch / "para.txt") << "0.00435\n20\n0.01088\n0.02176\n0.01538\n200\n1\n800\n600\n"
                                           "0.6\n0.005\n0.2\n0.3\n0.002\n0.1\n1\n5\nall\n";
    const fs::path previous = fs::current_path();
    fs::current_path(scratch);
    vk::NullDisplay quiet;
    const double cpuStart = cpuSeconds();
    vk::RunSimulation("result", "price.txt", "data.txt", quiet);
    cpuTimes.push_back(cpuSeconds() - cpuStart);
    fs::current_path(previous);
    fs::remove_all(scratch);
  }
  std::sort(cpuTimes.begin(), cpuTimes.end());
  std::printf(
      "largest run (200 agents x 100 weights, weeks 1..800, 600 training x 5, one path):"
      " processor best %.3f s (%zu runs) [was about 0.360 s, goal <= 0.100 s]\n",
      cpuTimes.front(), cpuTimes.size());
}

std::string printfFixed(double x, int width, int decimals) {
  char buf[512];
  std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, x);
  return buf;
}

// std::to_chars's fixed form, right-aligned as fixed() aligns it.
std::string libraryFixed(double x, int width, int decimals) {
  char digits[512];
  const char* end = std::to_chars(digits, digits + sizeof digits, x, std::chars_format::fixed, decimals).ptr;
  const int length = static_cast<int>(end - digits);
  return std::string(length < width ? static_cast<std::size_t>(width - length) : 0, ' ') +
         std::string(digits, end - digits);
}

// The test suite compares the formatter with printf on 2.5 million values;
// this compares 20 million more, of the files' magnitudes and of any bits,
// and times both and std::to_chars.
void benchFormatter() {
  std::mt19937_64 random(20261208);
  const int count = 20000000;
  long long differences = 0;
  double fast = 0, slow = 0, library = 0;
  std::vector<double> values(1 << 16);
  const int formats[][2] = {{7, 5}, {8, 5}, {6, 4}, {10, 6}, {4, 2}, {0, 9}};
  for (int done = 0; done < count; done += static_cast<int>(values.size())) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (i % 2 == 0) {
        values[i] = std::ldexp(static_cast<double>(random() >> 11), -53) * 40 - 20;  // rates, weights, volumes
      } else {
        const std::uint64_t bits = (random() & 0x800fffffffffffffULL) | ((random() % 1054) << 52);
        std::memcpy(&values[i], &bits, sizeof(double));
      }
    }
    const int* format = formats[(done / values.size()) % 6];
    std::size_t length = 0;
    double start = cpuSeconds();
    for (double x : values) length += vk::fixed(x, format[0], format[1]).size();
    fast += cpuSeconds() - start;
    start = cpuSeconds();
    for (double x : values) length -= printfFixed(x, format[0], format[1]).size();
    slow += cpuSeconds() - start;
    start = cpuSeconds();
    for (double x : values) length += libraryFixed(x, format[0], format[1]).size();
    library += cpuSeconds() - start;
    for (double x : values) length -= vk::fixed(x, format[0], format[1]).size();
    for (double x : values) differences += vk::fixed(x, format[0], format[1]) != printfFixed(x, format[0], format[1]);
    if (length != 0) ++differences;
  }
  std::printf(
      "fixed-point formatter: %lld of %d values differ from printf; %.0f ns per number, printf %.0f ns, "
      "std::to_chars %.0f ns\n",
      differences, count, fast * 1e9 / count, slow * 1e9 / count, library * 1e9 / count);
}

// Reads numbers as the files hold them: the report's and the generator
// state's long ones, and the path files' short decimals; strtod for scale.
void benchParser() {
  std::mt19937_64 random(20261208);
  std::vector<std::string> longText, shortText;
  for (int i = 0; i < 1000000; ++i) {
    const double x = std::ldexp(static_cast<double>(random() >> 11), -53) * 40 - 20;
    longText.push_back(i % 2 ? vk::scientific23(x).substr(1) : vk::randomTableEntry(x / 40 + 0.5).substr(1));
    shortText.push_back(vk::fixed(x, 0, 5));
  }
  long long differences = 0;
  double sum = 0;
  const auto timed = [&sum](const std::vector<std::string>& texts, auto parse) {
    const double start = cpuSeconds();
    for (const std::string& text : texts) sum += parse(text);
    return (cpuSeconds() - start) * 1e9 / static_cast<double>(texts.size());
  };
  const auto ours = [](const std::string& text) {
    double value = 0;
    vk::parseReal(text, value);
    return value;
  };
  const auto library = [](const std::string& text) { return std::strtod(text.c_str(), nullptr); };
  const double longOurs = timed(longText, ours), longLibrary = timed(longText, library);
  const double shortOurs = timed(shortText, ours), shortLibrary = timed(shortText, library);
  for (const std::vector<std::string>* texts : {&longText, &shortText})
    for (const std::string& text : *texts) differences += ours(text) != library(text);
  std::printf(
      "number reader: %lld of 2000000 values differ from strtod; long values %.0f ns (strtod %.0f ns), "
      "short decimals %.0f ns (strtod %.0f ns)%s\n",
      differences, longOurs, longLibrary, shortOurs, shortLibrary, sum == 0.5 ? " " : "");
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path demo = argc > 1 ? fs::path(argv[1]) : fs::path(VELQUIN_DEMO_DIR);
  const std::string cli = argc > 2 ? argv[2] : VELQUIN_CLI;
  try {
    std::printf("kernel: %s\n", vk::chooseKernel().name);
    benchWeekStep(demo, 100, "wdata.txt", "was 6.1-6.6, goal <= 2.2");
    benchWeekStep(demo, 100, "wdata-plain.txt", "was 7.7-8.1, goal <= 3.2");
    benchWeekStep(demo, 200, "wdata.txt", "was about 6.3");
    benchDemoRun(demo);
    benchDemoCommand(demo, cli);
    benchLargestRun(demo);
    benchFormatter();
    benchParser();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_model: %s\n", e.what());
    return 1;
  }
  return 0;
}

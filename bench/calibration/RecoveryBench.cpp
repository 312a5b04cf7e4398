// Recovery at demo size: a synthetic market from a demo run with known
// delta, trend1 and trend2, calibrated from a start away from them. Prints
// each estimate, its 95 % interval, the truth and whether the interval holds
// it, and the wall time.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/ResultLine.h"
#include "bench/calibration/BenchFiles.h"
#include "calibration/Calibration.h"
#include "calibration/SyntheticMarket.h"
#include "experiment/LocalPool.h"

namespace fs = std::filesystem;

namespace {

using bench::readText;
using bench::writeText;

// The demo's para.txt in mode write with the first three values replaced.
std::string parameters(const std::string& delta, const std::string& trend1, const std::string& trend2) {
  std::istringstream demo(readText(fs::path(VELQUIN_DEMO_DIR) / "para.txt"));
  std::string text, line;
  for (int n = 1; std::getline(demo, line); ++n) {
    const std::string value = n == 1 ? delta : n == 3 ? trend1 : n == 4 ? trend2 : n == 18 ? "write" : line;
    text += value + "\n";
  }
  return text;
}

}  // namespace

int main() {
  const fs::path dir = fs::temp_directory_path() / ("velquin-recovery-bench-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "truth/result");
  fs::create_directories(dir / "market");
  for (const char* name : {"price.txt", "data.txt", "wdata.txt"}) {
    fs::copy_file(fs::path(VELQUIN_DEMO_DIR) / name, dir / "truth" / name);
    if (std::string(name) != "price.txt") fs::copy_file(fs::path(VELQUIN_DEMO_DIR) / name, dir / "market" / name);
  }
  const std::vector<std::pair<std::string, double>> truths = {
      {"delta", 0.00435}, {"trend1", 0.01088}, {"trend2", 0.02176}};
  writeText(dir / "truth/para.txt", parameters("0.00435", "0.01088", "0.02176"));
  const std::string command =
      std::string("'") + VELQUIN_CLI + "' run -C '" + (dir / "truth").string() + "' --seed 1000 --quiet";
  if (std::system(command.c_str()) != 0) return 1;
  vk::writeSyntheticMarket(
      {(dir / "truth/para.txt").string(), (dir / "truth/price.txt").string(), (dir / "truth/result").string(), 0},
      (dir / "market/price.txt").string());
  writeText(dir / "market/para.txt", parameters("0.00600", "0.01500", "0.03000"));
  writeText(dir / "recover.toml",
            "inputs = \"market\"\n[estimate]\ndelta = { from = 0.002, to = 0.008 }\n"
            "trend1 = { from = 0.005, to = 0.02 }\ntrend2 = { from = 0.01, to = 0.04 }\n"
            "[moments]\nuse = [\"std\", \"excess_kurtosis\", \"acf_r_1\", \"acf_abs_1\", \"acf_abs_5\"]\n"
            "[replications]\nseeds = 5\n[search]\nbudget = 150\nseed = 1\n");
  vk::CalibrationSettings s;
  s.dir = (dir / "out").string();
  s.program = VELQUIN_CLI;
  s.engine.jobs = vk::availableCores();
  const auto begin = std::chrono::steady_clock::now();
  vk::runCalibration(vk::readCalibrationDescription((dir / "recover.toml").string()), s);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();

  std::printf("Recovery at demo size (3 parameters, 5 seeds x 10 paths, budget 150, %d jobs): %.1f s wall\n",
              s.engine.jobs, seconds);
  std::printf("%-8s %10s %24s %10s %s\n", "name", "estimate", "95 % interval", "truth", "inside");
  std::istringstream report(readText(dir / "out/report.csv"));
  for (std::string line; std::getline(report, line);) {
    const std::vector<std::string> f = vk::splitDelimited(line, ',');
    if (f[0] != "parameter") continue;
    for (const auto& [name, truth] : truths)
      if (f[1] == name) {
        const bool identified = f[6] == "yes";
        const bool inside = identified && std::stod(f[4]) <= truth && truth <= std::stod(f[5]);
        std::printf("%-8s %10s %24s %10.5f %s\n", name.c_str(), f[2].c_str(),
                    identified ? ("[" + f[4].substr(0, 9) + ", " + f[5].substr(0, 9) + "]").c_str() : "not identified",
                    truth,
                    !identified ? "-"
                    : inside    ? "yes"
                                : "no");
      }
  }
  std::printf("%s", readText(dir / "out/report.txt").c_str());
  fs::remove_all(dir);
  return 0;
}

// Times the four summaries over a generated result directory: 1,000 paths
// of 600 weeks, each with its rate file and a weight file of 17 weights.
//
//   bench_analysis [DIR]    (default: a folder in the system's temp directory)
//
// The files are generated once and reused while their marker file is there.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "analysis/ContourSummary.h"
#include "analysis/FactsSummary.h"
#include "analysis/PathList.h"
#include "analysis/PathSummary.h"
#include "analysis/ResultDirectory.h"
#include "analysis/WeightsSummary.h"
#include "io/OutputFile.h"
#include "io/TextFormat.h"

namespace {

constexpr int kPaths = 1000;
constexpr int kWeeks = 600;
constexpr int kTrainingWeeks = 300;
constexpr int kWeights = 17;
constexpr int kRepeats = 5;
const char* const kMarker = "generated-1000x600";

// A small fixed generator: the files are the same on every machine.
class Lcg {
 public:
  double uniform() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state_ >> 11) / 9007199254740992.0;
  }

 private:
  std::uint64_t state_ = 12345;
};

std::string q(const std::string& s) { return "\"" + s + "\","; }

void generate(const std::string& dir, Lcg& rng) {
  std::vector<double> actual(kWeeks + 1);
  actual[1] = 4.6;
  for (int w = 2; w <= kWeeks; ++w) actual[w] = actual[w - 1] + 0.02 * (rng.uniform() - 0.5);
  for (int k = 0; k < kPaths; ++k) {
    std::string rate, weights;
    double sim = actual[1];
    for (int w = 1; w <= kWeeks; ++w) {
      const bool training = w <= kTrainingWeeks;
      const double previous = sim;
      sim = training ? actual[w] : sim + 0.02 * (rng.uniform() - 0.5);
      std::string line = q(vk::plainInt(w)) + q(vk::fixed(sim, 7, 5)) + q(vk::fixed(actual[w], 7, 5)) +
                         q(vk::fixed(sim - previous, 7, 5)) +
                         q(vk::fixed(w > 1 ? actual[w] - actual[w - 1] : 0, 7, 5)) +
                         q(training ? "0" : vk::fixed(rng.uniform(), 8, 5));
      line.back() = '\n';
      rate += line;
      std::string wline = q(vk::plainInt(w));
      for (int j = 0; j < kWeights; ++j)
        wline += q(vk::fixed(rng.uniform() * 2 - 1, 6, 4)) + q(vk::fixed(rng.uniform(), 6, 4));
      wline.back() = '\n';
      weights += wline;
    }
    vk::OutputFile out;
    out.create(vk::resultFilePath(dir, vk::pathFileName(vk::kRatePrefix, k)));
    out.write(rate);
    out.close();
    out.create(vk::resultFilePath(dir, vk::pathFileName(vk::kWeightPrefix, k)));
    out.write(weights);
    out.close();
  }
  vk::OutputFile marker;
  marker.create(vk::resultFilePath(dir, kMarker));
  marker.close();
}

std::uintmax_t bytesOf(const std::string& dir, char prefix) {
  std::uintmax_t total = 0;
  for (const std::string& name : vk::listResultFiles(dir, prefix))
    total += std::filesystem::file_size(vk::resultFilePath(dir, name));
  return total;
}

void time(const char* what, const std::string& dir, char prefix, const std::function<void()>& summary) {
  double best = 1e9, sum = 0;
  for (int i = 0; i < kRepeats; ++i) {
    vk::writeSelectionFile(dir, vk::entriesOfPaths(vk::allPathsOf(dir, prefix), prefix), prefix);
    const auto start = std::chrono::steady_clock::now();
    summary();
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    best = std::min(best, s);
    sum += s;
  }
  std::printf("%-8s %4d files, %6.1f MB: best %.3f s, mean %.3f s over %d runs\n", what, kPaths,
              static_cast<double>(bytesOf(dir, prefix)) / 1e6, best, sum / kRepeats, kRepeats);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir =
      argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "velquin-bench-analysis").string();
  std::filesystem::create_directories(dir);
  if (!std::filesystem::exists(vk::resultFilePath(dir, kMarker))) {
    std::printf("Generating %d paths of %d weeks in %s ...\n", kPaths, kWeeks, dir.c_str());
    Lcg rng;
    generate(dir, rng);
  }
  vk::PathSummarySeries paths;
  time("paths", dir, vk::kRatePrefix, [&] { vk::summarisePaths(dir, paths); });
  vk::ContourSeries contour;
  time("contour", dir, vk::kRatePrefix, [&] { vk::summariseContour(dir, vk::ContourSettings(), contour); });
  vk::WeightsSeries weights;
  time("weights", dir, vk::kWeightPrefix, [&] { vk::summariseWeights(dir, weights); });
  vk::FactsSeries facts;
  time("facts", dir, vk::kRatePrefix, [&] { vk::summariseFacts(dir, std::string(), facts); });
  return 0;
}

// The three summaries over a result directory made from the input: the
// reference file r0000.csv, a path file r0001.csv, the weights files
// w0000.csv and w0001.csv, statname.txt and run.lock ("\n====\n" between
// the pieces).
#include <cstdint>
#include <string>

#include "analysis/ContourSummary.h"
#include "analysis/PathSummary.h"
#include "analysis/WeightsSummary.h"
#include "fuzz/FuzzFiles.h"
#include "io/RunError.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vk;
  const std::vector<std::string> piece = fuzz::piecesOf(std::string(reinterpret_cast<const char*>(data), size), 6);
  const char* const names[] = {"r0000.csv", "r0001.csv", "w0000.csv", "w0001.csv", "statname.txt", "run.lock"};
  for (int i = 0; i < 6; ++i) fuzz::writeScratchFile(names[i], piece[static_cast<std::size_t>(i)]);
  const std::string dir = fuzz::scratchDirectory().string();
  PathSummarySeries paths;
  fuzz::refusedOrDone([&] { summarisePaths(dir, paths); });
  ContourSeries contour;
  ContourSettings settings;
  settings.grids = 7;
  fuzz::refusedOrDone([&] { summariseContour(dir, settings, contour); });
  WeightsSeries weights;
  fuzz::refusedOrDone([&] { summariseWeights(dir, weights); });
  fuzz::refusedOrDone([&] {
    ListedPaths listed(dir, {0, 1});
    summarisePaths(dir, listed, paths);
  });
  return 0;
}

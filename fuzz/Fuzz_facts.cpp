// The stylized facts summary over a result directory made from the input:
// the reference file r0000.csv, path files r0001.csv and r0002.csv,
// statname.txt and run.lock ("\n====\n" between the pieces), over every path
// file and over a list that names a path twice.
#include <cstdint>
#include <string>

#include "analysis/FactsSummary.h"
#include "analysis/ResultDirectory.h"
#include "fuzz/FuzzFiles.h"
#include "io/RunError.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vk;
  const char* const names[] = {"r0000.csv", "r0001.csv", "r0002.csv", "statname.txt", "run.lock"};
  const std::vector<std::string> piece = fuzz::piecesOf(std::string(reinterpret_cast<const char*>(data), size), 5);
  for (int i = 0; i < 5; ++i) fuzz::writeScratchFile(names[i], piece[static_cast<std::size_t>(i)]);
  const std::string dir = fuzz::scratchDirectory().string();
  FactsSeries series;
  fuzz::refusedOrDone([&] { summariseFacts(dir, "", series); });
  fuzz::refusedOrDone([&] {
    ListedPaths listed(dir, {0, 2, 1});
    summariseFacts(dir, listed, "", series);
  });
  fuzz::refusedOrDone([&] {
    ListedPaths twice(dir, {1, 1});
    summariseFacts(dir, twice, "", series);
  });
  return 0;
}

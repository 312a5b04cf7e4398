// The summaries a lean run keeps compressed, read back from arbitrary bytes:
// the input is both eval.txt.gz and facts.csv.gz of a run folder whose plain
// files are gone, as after a run that kept only its summaries.
#include <cstdint>
#include <string>

#include "analysis/FactsTable.h"
#include "fuzz/FuzzFiles.h"
#include "io/RunError.h"
#include "run/ReportFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vk;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  fuzz::writeScratchFile("eval.txt.gz", bytes);
  fuzz::writeScratchFile("facts.csv.gz", bytes);
  const std::string dir = fuzz::scratchDirectory().string();
  fuzz::refusedOrDone([&] { readRunReport(dir + "/eval.txt"); });
  fuzz::refusedOrDone([&] { readFactsTable(dir + "/facts.csv"); });
  return 0;
}

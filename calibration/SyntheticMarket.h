#pragma once
// A synthetic market made from a run, to prove that a calibration recovers
// the parameters that made it: the price file's lines up to the last
// training week as they are, then one simulated path's rate over the
// simulated weeks as its path file holds it. The data file stays as it is.
#include <string>

namespace vk {

struct SyntheticMarketSource {
  std::string paraFile;   // the run's para.txt: its training and last weeks
  std::string priceFile;  // the price file the run read
  std::string resultDir;  // where it wrote its path files
  int path = 0;
};

// Writes the new price file (never the run's own). Returns the number of
// simulated weeks taken from the path. A price file or path file that does
// not cover the weeks is a RunError naming the file and the week.
int writeSyntheticMarket(const SyntheticMarketSource& source, const std::string& outFile);

}  // namespace vk

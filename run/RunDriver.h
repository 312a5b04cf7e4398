#pragma once
// The run driver: one call performs a whole simulation run in the working
// directory (para.txt, wdata.txt and filename.txt are read there).
#include <string>

namespace vk {

class Display;

// Throws RunError when the run stops; files written before stay as written.
// Returns false when the mode word names no mode: then no path was run and
// no file written.
bool RunSimulation(const std::string& resultDir, const std::string& priceFileName, const std::string& dataFileName,
                   Display& display);
// The same run with the generator seeded by generatorSeed, a real in (0, 1).
bool RunSimulation(const std::string& resultDir, const std::string& priceFileName, const std::string& dataFileName,
                   Display& display, double generatorSeed);

}  // namespace vk

#pragma once
// The line the log gives a run at its end: where it wrote, with which seed,
// how long it took, and which values of para.txt differ from the demo's.
#include <string>

#include "run/ParameterFile.h"

namespace vk {

// The demo's para.txt, built into the program.
Parameters demoParameters();
// "popsize 20 (demo 30), simtimes 2 (demo 10)"; "none" when all agree.
std::string parametersUnlike(const Parameters& run, const Parameters& demo);

}  // namespace vk

#pragma once
// Run initialisation, the path loop and the week step.

namespace vk {

struct RunState;

// Once per run, after wdata.txt and para.txt are read, the parameters have
// passed checkParameters and the data file is open: seeds the generator,
// derives the gap counts, turns teachyear into the last training week, loads
// the factors of week 0, logs "Simulation start!".
void initRun(RunState& s);

// A fresh random population, forecast and cleared at the current week.
void initPopulation(RunState& s);

// One whole path. Opens the path's rate file (the driver closes it).
void runPath(RunState& s);

}  // namespace vk

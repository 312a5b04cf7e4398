#pragma once
// Run initialisation, the path loop and the week step.

namespace vk {

struct RunState;

// Once per run, after wdata.txt, para.txt and the data file's factors are
// read and the parameters have passed checkParameters, but before the price
// file is read (the trend factors of week 0 see no rate): seeds the
// generator, derives the gap counts, turns teachyear into the last training
// week, loads the factors of week 0, logs "Simulation start!".
void initRun(RunState& s);

// A fresh random population, forecast and cleared at the current week.
void initPopulation(RunState& s);

// One whole path. Opens the path's rate file (the driver closes it).
void runPath(RunState& s);

}  // namespace vk

#pragma once
// The model's own random source: a lagged subtractive generator on reals in
// [0, 1) with a table of 55 entries and lags 24 and 55. Its whole state lives
// in the run state (rngIndex, rngTable), so a path can be saved and replayed.

namespace vk {

struct RunState;

constexpr double kRandomSeed = 0.873944312987;

void seedRandom(RunState& s, double seed);
void advanceRandom(RunState& s);
double nextRandom(RunState& s);
// A biased coin; p = 1.0 exactly draws nothing.
bool flip(RunState& s, double p);
// An integer in low..high; high <= low draws nothing and gives low.
int randomInt(RunState& s, int low, int high);

}  // namespace vk

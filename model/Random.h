#pragma once
// The model's own random source: a lagged subtractive generator on reals in
// [0, 1) with a table of 55 entries and lags 24 and 55. Its whole state lives
// in the run state (rngIndex, rngTable), so a path can be saved and replayed.

#include "model/RunState.h"

namespace vk {

void seedRandom(RunState& s, double seed);
void advanceRandom(RunState& s);

// The refill of advanceRandom on the 55 entries from entry (entry[0] is
// table entry 1): the reference of the kernels' refills.
void advanceTable(double* entry);

// The genetic learning draws a few thousand numbers a week, so the draws are
// inline; only the refill of the table is a call.
inline double nextRandom(RunState& s) {
  s.rngIndex = s.rngIndex + 1;
  if (s.rngIndex > 55) {
    s.rngIndex = 1;
    advanceRandom(s);
  }
  return s.rngTable[s.rngIndex];
}

// A biased coin; p = 1.0 exactly draws nothing.
inline bool flip(RunState& s, double p) {
  if (p == 1.0) return true;
  return nextRandom(s) <= p;
}

// An integer in low..high; high <= low draws nothing and gives low.
inline int randomInt(RunState& s, int low, int high) {
  if (high <= low) return low;
  const double r = nextRandom(s);
  int i = static_cast<int>(r * (high - low + 1) + low);
  if (i > high) i = high;
  return i;
}

}  // namespace vk

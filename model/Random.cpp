#include "model/Random.h"

#include "model/Kernel.h"
#include "model/RunState.h"

namespace vk {

void advanceTable(double* entry) {
  // entry[i - 1] is table entry i. The sign of each difference is a coin
  // toss, so a branch on it is mispredicted half the time; adding 0 or 1
  // instead gives the same bits (a difference is never -0, and v + 0 is v for
  // every v >= 0).
  double* const t = entry - 1;
  for (int i = 1; i <= 24; ++i) {
    const double v = t[i] - t[i + 31];
    t[i] = v + (v < 0 ? 1.0 : 0.0);
  }
  for (int i = 25; i <= 55; ++i) {
    const double v = t[i] - t[i - 24];
    t[i] = v + (v < 0 ? 1.0 : 0.0);
  }
}

void advanceRandom(RunState& s) { kernelOf(s).advanceTable(s.rngTable.items); }

void seedRandom(RunState& s, double seed) {
  auto& t = s.rngTable;
  t[55] = seed;
  double newValue = 0.000000001;
  double previous = seed;
  for (int j = 1; j <= 54; ++j) {
    const int ii = (21 * j) % 55;
    t[ii] = newValue;
    newValue = previous - newValue;
    if (newValue < 0) newValue = newValue + 1;
    previous = t[ii];
  }
  advanceRandom(s);
  advanceRandom(s);
  advanceRandom(s);
  s.rngIndex = 0;
}

}  // namespace vk

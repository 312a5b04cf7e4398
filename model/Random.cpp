#include "model/Random.h"

#include <charconv>

#include "io/RunError.h"
#include "run/RunState.h"

namespace vk {

void advanceRandom(RunState& s) {
  auto& t = s.rngTable;
  // The sign of each difference is a coin toss, so a branch on it is
  // mispredicted half the time; adding 0 or 1 instead gives the same bits (a
  // difference is never -0, and v + 0 is v for every v >= 0).
  for (int i = 1; i <= 24; ++i) {
    const double v = t[i] - t[i + 31];
    t[i] = v + (v < 0 ? 1.0 : 0.0);
  }
  for (int i = 25; i <= 55; ++i) {
    const double v = t[i] - t[i - 24];
    t[i] = v + (v < 0 ? 1.0 : 0.0);
  }
}

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

double generatorSeedOf(SeedNumber seed) {
  if (seed == 0) return kRandomSeed;
  std::uint64_t z = seed + 0x9E3779B97F4A7C15ULL;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  z = z ^ (z >> 31);
  // An odd multiple of 2^-53: exact in a double, never 0 and never 1.
  const std::uint64_t odd = ((z >> 12) << 1) | 1;
  return static_cast<double>(odd) * 0x1p-53;
}

SeedNumber seedNumberFromText(const std::string& text, const std::string& what) {
  const auto refuse = [&] {
    throw RunError(what + " '" + text.substr(0, 40) + "' is not a whole number 0.." + std::to_string(kMaxSeedNumber));
  };
  if (text.empty() || text.size() > 19) refuse();
  SeedNumber value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') refuse();
    value = value * 10 + static_cast<SeedNumber>(c - '0');
  }
  if (value > kMaxSeedNumber) refuse();
  return value;
}

std::string generatorSeedText(double generatorSeed) {
  char text[40];
  const auto end = std::to_chars(text, text + sizeof text, generatorSeed).ptr;
  return std::string(text, end);
}

}  // namespace vk

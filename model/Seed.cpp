#include "model/Seed.h"

#include <charconv>

#include "io/RunError.h"
#include "io/SplitMix.h"

namespace vk {

double generatorSeedOf(SeedNumber seed) {
  if (seed == 0) return kRandomSeed;
  const std::uint64_t z = splitMixBits(seed + kSplitMixIncrement);
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

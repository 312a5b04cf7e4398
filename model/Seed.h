#pragma once
// The seed of a run, as the command line and experiments give it.
#include <cstdint>
#include <string>

namespace vk {

// The generator seed of a run that asks for none.
constexpr double kRandomSeed = 0.873944312987;

// A run is seeded by a whole number: 0 is the fixed seed (kRandomSeed), so a run
// without a seed and a run with seed 0 are the same run; every other number is
// mixed (splitmix64) into a real strictly inside (0, 1) with 53 random bits.
using SeedNumber = std::uint64_t;
constexpr SeedNumber kMaxSeedNumber = 9223372036854775807ULL;  // the largest whole number an experiment file holds
double generatorSeedOf(SeedNumber seed);
// "12" -> 12; anything but a plain decimal whole number 0..kMaxSeedNumber is a
// RunError naming what (e.g. "--seed") and the text.
SeedNumber seedNumberFromText(const std::string& text, const std::string& what);
// The generator seed as it is logged: the shortest text that reads back as
// the same double.
std::string generatorSeedText(double generatorSeed);

}  // namespace vk

#pragma once
// The splitmix64 step: a run's seed number and an experiment's designs both
// turn a counter into 64 well-mixed bits with it, with integer arithmetic
// only, so the bits are the same on every machine.
#include <cstdint>

namespace vk {

constexpr std::uint64_t kSplitMixIncrement = 0x9E3779B97F4A7C15ULL;

// The mixed bits of the counter value `z` (already advanced by the increment).
constexpr std::uint64_t splitMixBits(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

}  // namespace vk

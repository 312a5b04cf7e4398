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

// A small generator of its own on the splitmix64 step, for designs and
// resampling that must never depend on the standard library's distributions.
class SplitMixRandom {
 public:
  explicit SplitMixRandom(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() { return splitMixBits(state_ += kSplitMixIncrement); }
  // In [0, 1), a multiple of 2^-53.
  double unit() { return static_cast<double>(next() >> 11) * 0x1p-53; }
  // 0..n-1 without the bias of a plain modulo.
  std::uint64_t below(std::uint64_t n) {
    const std::uint64_t limit = UINT64_MAX - UINT64_MAX % n;
    std::uint64_t r = next();
    while (r >= limit) r = next();
    return r % n;
  }

 private:
  std::uint64_t state_;
};

}  // namespace vk

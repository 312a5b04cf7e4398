// The shuffle both vector kernels share: it needs only the bit instructions
// (BMI and BMI2), which every processor with either vector kernel has; the
// kernels' checks require them.
//
// Only the function marked VK_BITS uses the instructions, so the file builds
// without machine flags.
#include <immintrin.h>

#include <cstdint>

#include "model/Kernel.h"
#include "model/Random.h"
#include "run/RunState.h"

#define VK_BITS __attribute__((target("bmi,bmi2")))

namespace vk {

// drawPermutation (model/Genetics.cpp) without moving entries. There the
// places i..n always hold the values not yet placed, in increasing order, so
// the entry at j = randomInt(i, n) is the (j - i)-th smallest value left
// (from 0); here a bit per value left, and a count per word, find it.
VK_BITS void drawPermutationBits(RunState& s, int n) {
  constexpr int kWords = 4;
  static_assert(kWords * 64 >= kMaxPopsize, "too few bits for the population");
  std::uint64_t left[kWords] = {};
  int count[kWords] = {};
  for (int v = 0; v < n; ++v) {
    left[v / 64] |= std::uint64_t{1} << (v % 64);
    ++count[v / 64];
  }
  for (int i = 1; i <= n; ++i) {
    int rank = i < n ? randomInt(s, i, n) - i : 0;
    // The word that holds the value of that rank, found without a branch.
    const int before[kWords] = {0, count[0], count[0] + count[1], count[0] + count[1] + count[2]};
    const int word = (rank >= before[1]) + (rank >= before[2]) + (rank >= before[3]);
    rank -= before[word];
    const std::uint64_t bit = _pdep_u64(std::uint64_t{1} << rank, left[word]);
    left[word] &= ~bit;
    --count[word];
    s.permutation[i] = word * 64 + static_cast<int>(_tzcnt_u64(bit)) + 1;
  }
}

}  // namespace vk

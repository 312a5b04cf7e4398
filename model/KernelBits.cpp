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

namespace {

// The first count values (count 0..64) as bits of one word.
std::uint64_t lowBits(int count) { return count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1; }

int clampedCount(int n, int word) { return n - 64 * word < 0 ? 0 : (n - 64 * word > 64 ? 64 : n - 64 * word); }

}  // namespace

// drawPermutation (model/Genetics.cpp) without moving entries. There the
// places i..n always hold the values not yet placed, in increasing order, so
// the entry at j = randomInt(i, n) is the (j - i)-th smallest value left
// (from 0); here a bit per value left finds it.
//
// The four words and the counts before them stay in registers and are chosen
// with masks, not branches: in memory, each draw waited for the store of the
// one before it, and a branch on the word is mispredicted.
VK_BITS void drawPermutationBits(RunState& s, int n) {
  static_assert(4 * 64 >= kMaxPopsize, "too few bits for the population");
  std::uint64_t left0 = lowBits(clampedCount(n, 0)), left1 = lowBits(clampedCount(n, 1));
  std::uint64_t left2 = lowBits(clampedCount(n, 2)), left3 = lowBits(clampedCount(n, 3));
  // How many values left lie below words 1, 2 and 3.
  int before1 = clampedCount(n, 0);
  int before2 = before1 + clampedCount(n, 1);
  int before3 = before2 + clampedCount(n, 2);
  for (int i = 1; i <= n; ++i) {
    const int rank = i < n ? randomInt(s, i, n) - i : 0;
    const int in1 = rank >= before1, in2 = rank >= before2, in3 = rank >= before3;
    // All ones for the word that holds the value, zero for the others.
    const std::uint64_t pick0 = std::uint64_t{0} - (1 - in1), pick1 = std::uint64_t{0} - (in1 - in2);
    const std::uint64_t pick2 = std::uint64_t{0} - (in2 - in3), pick3 = std::uint64_t{0} - in3;
    const std::uint64_t word = (left0 & pick0) | (left1 & pick1) | (left2 & pick2) | (left3 & pick3);
    const int below = (before1 & -(in1 - in2)) | (before2 & -(in2 - in3)) | (before3 & -in3);
    const std::uint64_t bit = _pdep_u64(std::uint64_t{1} << (rank - below), word);
    left0 &= ~(bit & pick0);
    left1 &= ~(bit & pick1);
    left2 &= ~(bit & pick2);
    left3 &= ~(bit & pick3);
    before1 -= 1 - in1;
    before2 -= 1 - in2;
    before3 -= 1 - in3;
    s.permutation[i] = 64 * (in1 + in2 + in3) + static_cast<int>(_tzcnt_u64(bit)) + 1;
  }
}

}  // namespace vk

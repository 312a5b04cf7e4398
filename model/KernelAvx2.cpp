// The AVX2 kernel: four agents, or four weights, per vector, and a shuffle
// on the bit instructions (BMI and BMI2), which the kernel's check requires.
//
// Only the functions marked VK_AVX2 use the instructions, so the file builds
// without machine flags and none of it runs before the processor has been
// checked. No function here may be a lambda or a template shared with other
// files: those would not carry the target and could be merged with the plain
// copies of other files. The routines the vector kernels share come from
// model/LaneKernel.h, compiled here for this target over AvxLanes.
#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "model/Agent.h"
#include "model/Kernel.h"
#include "model/Random.h"
#include "model/RunState.h"

#define VK_AVX2 __attribute__((target("avx2,bmi,bmi2")))
#define VK_LANE_TARGET VK_AVX2
#include "model/LaneKernel.h"

namespace vk {

namespace {

// Four doubles to a vector, in the lanes of model/LaneKernel.h.
struct AvxLanes {
  using Vec = __m256d;
  using Codes = __m256i;
  static constexpr int kLanes = 4;

  VK_AVX2 static Vec zero() { return _mm256_setzero_pd(); }
  VK_AVX2 static Vec broadcast(double x) { return _mm256_set1_pd(x); }
  VK_AVX2 static Vec add(Vec a, Vec b) { return _mm256_add_pd(a, b); }
  VK_AVX2 static Vec sub(Vec a, Vec b) { return _mm256_sub_pd(a, b); }
  VK_AVX2 static Vec mul(Vec a, Vec b) { return _mm256_mul_pd(a, b); }
  VK_AVX2 static Vec sqrt(Vec a) { return _mm256_sqrt_pd(a); }
  VK_AVX2 static Vec abs(Vec a) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), a); }
  VK_AVX2 static Vec loadu(const double* p) { return _mm256_loadu_pd(p); }
  VK_AVX2 static void storeu(double* p, Vec v) { _mm256_storeu_pd(p, v); }

  // Truncated toward zero and limited to -limit..limit, NaN as 0, and -0 as
  // +0: the value of clampTrend or clampLevel converted back to a double.
  VK_AVX2 static Vec clampWhole(Vec x, double limit) {
    const Vec whole = _mm256_round_pd(x, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    const Vec clamped = _mm256_min_pd(_mm256_max_pd(whole, _mm256_set1_pd(-limit)), _mm256_set1_pd(limit));
    const Vec number = _mm256_cmp_pd(x, x, _CMP_ORD_Q);
    return _mm256_add_pd(_mm256_and_pd(number, clamped), _mm256_setzero_pd());
  }

  // A lane that takes no term adds +0, which leaves a sum that is never -0 as it is.
  VK_AVX2 static void addTerm(Vec term, Vec& positive, Vec& negative) {
    const Vec above = _mm256_cmp_pd(term, _mm256_setzero_pd(), _CMP_GT_OQ);
    positive = _mm256_add_pd(positive, _mm256_and_pd(above, term));
    negative = _mm256_add_pd(negative, _mm256_andnot_pd(above, abs(term)));
  }

  VK_AVX2 static Codes gatherCodes(const char* codes) {
    constexpr long long size = sizeof(Agent);
    const __m256i records = _mm256_set_epi64x(3 * size, 2 * size, size, 0);
    return _mm256_i64gather_epi64(reinterpret_cast<const long long*>(codes), records, 1);
  }

  // The weights of four codes, one in the low four bits of each lane.
  VK_AVX2 static Vec weightOfCodes(Codes codeBits) {
    return _mm256_i64gather_pd(kWeightOfCodeBits, _mm256_and_si256(codeBits, _mm256_set1_epi64x(15)), 8);
  }

  VK_AVX2 static Codes nextCode(Codes codes) { return _mm256_srli_epi64(codes, 8); }

  VK_AVX2 static Vec weightsOfCodes(const char* codes) {
    int four;
    std::memcpy(&four, codes, sizeof four);
    return weightOfCodes(_mm256_cvtepi8_epi64(_mm_cvtsi32_si128(four)));
  }
};

constexpr int kLanes = AvxLanes::kLanes;

VK_AVX2 void forecastAgentsAvx2(RunState& s) { forecastAgentsInLanes<AvxLanes>(s); }

VK_AVX2 void weightSumsAvx2(const RunState& s, double* sums, double* squares) {
  weightSumsInLanes<AvxLanes>(s, sums, squares);
}

// firstAtMost of the scalar kernel (model/Kernel.cpp), four values a compare.
VK_AVX2 int firstAtMostAvx2(const double* values, int count, double p) {
  const __m256d limit = _mm256_set1_pd(p);
  int i = 0;
  for (; i + kLanes <= count; i += kLanes) {
    const int hits = _mm256_movemask_pd(_mm256_cmp_pd(_mm256_loadu_pd(values + i), limit, _CMP_LE_OQ));
    if (hits != 0) return i + __builtin_ctz(static_cast<unsigned>(hits));
  }
  while (i < count && !(values[i] <= p)) ++i;
  return i;
}

// v = a - b, plus 1 where v < 0. The test is a < b, which holds exactly
// when a - b < 0 (a difference rounds to 0 only when a == b, and NaN fails
// both), so it runs beside the subtraction instead of after it: the refills
// are one long chain of these. Lanes not raised add +0, as the reference
// does, which turns a difference of -0 into +0.
VK_AVX2 inline __m256d wrappedDifference(__m256d a, __m256d b) {
  const __m256d v = _mm256_sub_pd(a, b);
  return _mm256_add_pd(v, _mm256_and_pd(_mm256_cmp_pd(a, b, _CMP_LT_OQ), _mm256_set1_pd(1.0)));
}

// advanceTable (model/Random.cpp), four entries at a time, and the renewed
// entries that are <= limit as bits, entry k at bit k - 1. The second loop
// reads entries 24 places back, so each group of four reads only entries
// already renewed, as the one-by-one loop does. Those renewed groups are
// taken from registers, not read back: the refills form one long chain, and
// each read back of a fresh store lengthened it.
VK_AVX2 inline std::uint64_t renewTable(double* e, double limit) {
  const __m256d p = _mm256_set1_pd(limit);
  __m256d renewed[13];
  std::uint64_t marks = 0;
  for (int g = 0; g < 13; ++g) {
    const __m256d back = g < 6 ? _mm256_loadu_pd(e + 4 * g + 31) : renewed[g - 6];
    renewed[g] = wrappedDifference(_mm256_loadu_pd(e + 4 * g), back);
    _mm256_storeu_pd(e + 4 * g, renewed[g]);
    const unsigned below = static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(renewed[g], p, _CMP_LE_OQ)));
    marks |= std::uint64_t{below} << (4 * g);
  }
  // Entries 53..55 (at 52..54) from the renewed 29..31 in the first three
  // lanes of group 7; the table ends there.
  const __m256i last3 = _mm256_setr_epi64x(-1, -1, -1, 0);
  const __m256d tail = wrappedDifference(_mm256_maskload_pd(e + 52, last3), renewed[7]);
  _mm256_maskstore_pd(e + 52, last3, tail);
  const unsigned below = static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(tail, p, _CMP_LE_OQ))) & 7u;
  return marks | std::uint64_t{below} << 52;
}

VK_AVX2 void advanceTableAvx2(double* e) { renewTable(e, 0); }

// advanceTablesUntilMarked of the scalar kernel (model/Kernel.cpp).
VK_AVX2 int advanceTablesUntilMarkedAvx2(double* e, double p, int most, std::uint64_t* marks) {
  int refills = 0;
  std::uint64_t found = 0;
  do {
    found = renewTable(e, p);
    ++refills;
  } while (found == 0 && refills < most);
  *marks = found;
  return refills;
}

// The first count values (count 0..64) as bits of one word.
std::uint64_t lowBits(int count) { return count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1; }

int clampedCount(int n, int word) { return n - 64 * word < 0 ? 0 : (n - 64 * word > 64 ? 64 : n - 64 * word); }

// drawPermutation (model/Genetics.cpp) without moving entries. There the
// places i..n always hold the values not yet placed, in increasing order, so
// the entry at j = randomInt(i, n) is the (j - i)-th smallest value left
// (from 0); here a bit per value left finds it.
//
// The four words and the counts before them stay in registers and are chosen
// with masks, not branches: in memory, each draw waited for the store of the
// one before it, and a branch on the word is mispredicted.
VK_AVX2 void drawPermutationAvx2(RunState& s, int n) {
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

const ModelKernel kAvx2 = {"avx2",           forecastAgentsAvx2,           weightSumsAvx2,     firstAtMostAvx2,
                           advanceTableAvx2, advanceTablesUntilMarkedAvx2, drawPermutationAvx2};

}  // namespace

const ModelKernel& avx2Kernel() { return kAvx2; }

}  // namespace vk

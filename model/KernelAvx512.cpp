// The AVX-512 kernel: eight agents, or eight weights, per vector, and the
// shuffle in 64 byte lanes.
//
// Only the functions marked VK_AVX512 use the instructions, so the file builds
// without machine flags and none of it runs before the processor has been
// checked. No function here may be a lambda or a template shared with other
// files: those would not carry the target and could be merged with the plain
// copies of other files. The routines the vector kernels share come from
// model/LaneKernel.h, compiled here for this target over Avx512Lanes.

// The compiler's own headers set the undefined lanes of some intrinsics from
// themselves, which it then reports as uninitialised.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#ifndef __clang__
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#pragma GCC diagnostic pop

#include <cstdint>

#include "model/Agent.h"
#include "model/Kernel.h"
#include "model/Random.h"
#include "model/RunState.h"

#define VK_AVX512 __attribute__((target("avx512f,avx512bw")))
#define VK_LANE_TARGET VK_AVX512
#include "model/LaneKernel.h"

namespace vk {

namespace {

// Eight doubles to a vector, in the lanes of model/LaneKernel.h.
struct Avx512Lanes {
  using Vec = __m512d;
  using Codes = __m512i;
  static constexpr int kLanes = 8;

  VK_AVX512 static Vec zero() { return _mm512_setzero_pd(); }
  VK_AVX512 static Vec broadcast(double x) { return _mm512_set1_pd(x); }
  VK_AVX512 static Vec add(Vec a, Vec b) { return _mm512_add_pd(a, b); }
  VK_AVX512 static Vec sub(Vec a, Vec b) { return _mm512_sub_pd(a, b); }
  VK_AVX512 static Vec mul(Vec a, Vec b) { return _mm512_mul_pd(a, b); }
  VK_AVX512 static Vec sqrt(Vec a) { return _mm512_sqrt_pd(a); }
  VK_AVX512 static Vec abs(Vec a) { return _mm512_abs_pd(a); }
  VK_AVX512 static Vec loadu(const double* p) { return _mm512_loadu_pd(p); }
  VK_AVX512 static void storeu(double* p, Vec v) { _mm512_storeu_pd(p, v); }

  // Truncated toward zero and limited to -limit..limit, NaN as 0, and -0 as
  // +0: the value of clampTrend or clampLevel converted back to a double.
  VK_AVX512 static Vec clampWhole(Vec x, double limit) {
    const Vec whole = _mm512_roundscale_pd(x, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    const Vec clamped = _mm512_min_pd(_mm512_max_pd(whole, _mm512_set1_pd(-limit)), _mm512_set1_pd(limit));
    const __mmask8 number = _mm512_cmp_pd_mask(x, x, _CMP_ORD_Q);
    return _mm512_add_pd(_mm512_maskz_mov_pd(number, clamped), _mm512_setzero_pd());
  }

  VK_AVX512 static void addTerm(Vec term, Vec& positive, Vec& negative) {
    const __mmask8 above = _mm512_cmp_pd_mask(term, _mm512_setzero_pd(), _CMP_GT_OQ);
    positive = _mm512_mask_add_pd(positive, above, positive, term);
    negative = _mm512_mask_add_pd(negative, static_cast<__mmask8>(~above), negative, _mm512_abs_pd(term));
  }

  VK_AVX512 static Codes gatherCodes(const char* codes) {
    constexpr long long size = sizeof(Agent);
    const __m512i records = _mm512_set_epi64(7 * size, 6 * size, 5 * size, 4 * size, 3 * size, 2 * size, size, 0);
    return _mm512_i64gather_epi64(records, codes, 1);
  }

  // The weights of eight codes, one in the low four bits of each lane.
  VK_AVX512 static Vec weightOfCodes(Codes codeBits) {
    return _mm512_permutex2var_pd(_mm512_loadu_pd(kWeightOfCodeBits), codeBits, _mm512_loadu_pd(kWeightOfCodeBits + 8));
  }

  VK_AVX512 static Codes nextCode(Codes codes) { return _mm512_srli_epi64(codes, 8); }

  VK_AVX512 static Vec weightsOfCodes(const char* codes) {
    const __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(codes));
    return weightOfCodes(_mm512_cvtepi8_epi64(eight));
  }
};

constexpr int kLanes = Avx512Lanes::kLanes;

VK_AVX512 void forecastAgents512(RunState& s) { forecastAgentsInLanes<Avx512Lanes>(s); }

VK_AVX512 void weightSums512(const RunState& s, double* sums, double* squares) {
  weightSumsInLanes<Avx512Lanes>(s, sums, squares);
}

// firstAtMost of the scalar kernel (model/Kernel.cpp), eight values a compare.
// Only the last group is read with a mask: the values were usually just
// written by the table's refill, and a masked load waits for those stores to
// reach the cache where a plain one takes the value straight from them.
VK_AVX512 int firstAtMost512(const double* values, int count, double p) {
  const __m512d limit = _mm512_set1_pd(p);
  int i = 0;
  for (; i + kLanes <= count; i += kLanes) {
    const unsigned hits = _mm512_cmp_pd_mask(_mm512_loadu_pd(values + i), limit, _CMP_LE_OQ);
    if (hits != 0) return i + __builtin_ctz(hits);
  }
  if (i == count) return count;
  const __mmask8 inside = static_cast<__mmask8>((1u << (count - i)) - 1);
  const unsigned hits = _mm512_mask_cmp_pd_mask(inside, _mm512_maskz_loadu_pd(inside, values + i), limit, _CMP_LE_OQ);
  return hits != 0 ? i + __builtin_ctz(hits) : count;
}

// v = a - b, plus 1 where v < 0. The test is a < b, which holds exactly
// when a - b < 0 (a difference rounds to 0 only when a == b, and NaN fails
// both), so it runs beside the subtraction instead of after it: the refills
// are one long chain of these. Lanes not raised add +0, as the reference
// does, which turns a difference of -0 into +0.
VK_AVX512 inline __m512d wrappedDifference(__m512d a, __m512d b) {
  const __m512d v = _mm512_sub_pd(a, b);
  return _mm512_add_pd(v, _mm512_maskz_mov_pd(_mm512_cmp_pd_mask(a, b, _CMP_LT_OQ), _mm512_set1_pd(1.0)));
}

// The seven groups of eight entries of the table in registers, the last
// with entries 49..55 and an unused lane.
struct Table512 {
  __m512d group[7];
};

// The last lane of low, then the first seven of high.
VK_AVX512 inline __m512d lastLaneThenFirstSeven(__m512d low, __m512d high) {
  return _mm512_castsi512_pd(_mm512_alignr_epi64(_mm512_castpd_si512(high), _mm512_castpd_si512(low), 7));
}

// advanceTable (model/Random.cpp) on the table in registers; returns the
// renewed entries that are <= limit as bits, entry k at bit k - 1. The first
// loop's entries 32..55 are the old groups shifted by one lane; the second
// loop reads entries 24 places back, the groups just renewed, as the
// one-by-one loop does.
VK_AVX512 inline std::uint64_t renewTable(Table512& t, __m512d limit) {
  __m512d* g = t.group;
  g[0] = wrappedDifference(g[0], lastLaneThenFirstSeven(g[3], g[4]));  // entries 32..39
  g[1] = wrappedDifference(g[1], lastLaneThenFirstSeven(g[4], g[5]));  // entries 40..47
  g[2] = wrappedDifference(g[2], lastLaneThenFirstSeven(g[5], g[6]));  // entries 48..55
  for (int k = 3; k < 7; ++k) g[k] = wrappedDifference(g[k], g[k - 3]);
  std::uint64_t marks = 0;
  for (int k = 0; k < 7; ++k) marks |= std::uint64_t{_mm512_cmp_pd_mask(g[k], limit, _CMP_LE_OQ)} << (8 * k);
  return marks & ((std::uint64_t{1} << 55) - 1);
}

constexpr __mmask8 kLast7 = 0x7f;  // entries 49..55; the table ends there

VK_AVX512 inline Table512 loadTable(const double* e) {
  Table512 t;
  for (int k = 0; k < 6; ++k) t.group[k] = _mm512_loadu_pd(e + 8 * k);
  t.group[6] = _mm512_maskz_loadu_pd(kLast7, e + 48);
  return t;
}

VK_AVX512 inline void storeTable(const Table512& t, double* e) {
  for (int k = 0; k < 6; ++k) _mm512_storeu_pd(e + 8 * k, t.group[k]);
  _mm512_mask_storeu_pd(e + 48, kLast7, t.group[6]);
}

// advanceTable (model/Random.cpp), eight entries at a time.
VK_AVX512 void advanceTable512(double* e) {
  Table512 t = loadTable(e);
  renewTable(t, _mm512_setzero_pd());
  storeTable(t, e);
}

// advanceTablesUntilMarked of the scalar kernel (model/Kernel.cpp). The table
// stays in registers from one refill to the next: read back from memory,
// each refill waited for the stores of the one before.
VK_AVX512 int advanceTablesUntilMarked512(double* e, double p, int most, std::uint64_t* marks) {
  Table512 t = loadTable(e);
  const __m512d limit = _mm512_set1_pd(p);
  int refills = 0;
  std::uint64_t found = 0;
  do {
    found = renewTable(t, limit);
    ++refills;
  } while (found == 0 && refills < most);
  storeTable(t, e);
  *marks = found;
  return refills;
}

// The lanes at place i and after (from 0) in the 64 bytes from place base.
VK_AVX512 inline __mmask64 placesFrom(int i, int base) {
  const int skipped = i - base;
  if (skipped <= 0) return ~__mmask64{0};
  if (skipped >= 64) return 0;
  return ~__mmask64{0} << skipped;
}

// drawPermutation (model/Genetics.cpp) from its draws alone. There step i
// places the (r_i)-th smallest value not yet placed (r_i = j - i, from 0),
// so a value chosen at a later step, counted among the values left then, is
// raised by one for each earlier choice at or below it. Counting back from
// the last step: q_j starts at r_j, and for i = j - 1 down to 1, q_j gains 1
// where q_j >= r_i. Every place j > i takes step i at once, one byte each.
VK_AVX512 void drawPermutation512(RunState& s, int n) {
  static_assert(kMaxPopsize <= 256, "the places do not fit four vectors of bytes");
  alignas(64) std::uint8_t rank[256] = {};
  for (int i = 1; i < n; ++i) rank[i - 1] = static_cast<std::uint8_t>(randomInt(s, i, n) - i);
  __m512i q0 = _mm512_load_si512(rank), q1 = _mm512_load_si512(rank + 64);
  __m512i q2 = _mm512_load_si512(rank + 128), q3 = _mm512_load_si512(rank + 192);
  const __m512i one = _mm512_set1_epi8(1);
  for (int i = n - 1; i >= 1; --i) {
    const __m512i r = _mm512_set1_epi8(static_cast<char>(rank[i - 1]));
    q0 = _mm512_mask_add_epi8(q0, _mm512_mask_cmpge_epu8_mask(placesFrom(i, 0), q0, r), q0, one);
    q1 = _mm512_mask_add_epi8(q1, _mm512_mask_cmpge_epu8_mask(placesFrom(i, 64), q1, r), q1, one);
    q2 = _mm512_mask_add_epi8(q2, _mm512_mask_cmpge_epu8_mask(placesFrom(i, 128), q2, r), q2, one);
    q3 = _mm512_mask_add_epi8(q3, _mm512_mask_cmpge_epu8_mask(placesFrom(i, 192), q3, r), q3, one);
  }
  alignas(64) std::uint8_t value[256];
  _mm512_store_si512(value, q0);
  _mm512_store_si512(value + 64, q1);
  _mm512_store_si512(value + 128, q2);
  _mm512_store_si512(value + 192, q3);
  for (int j = 1; j <= n; ++j) s.permutation[j] = value[j - 1] + 1;
}

const ModelKernel kAvx512 = {"avx512",        forecastAgents512,           weightSums512,     firstAtMost512,
                             advanceTable512, advanceTablesUntilMarked512, drawPermutation512};

}  // namespace

const ModelKernel& avx512Kernel() { return kAvx512; }

}  // namespace vk

#pragma once
// The model's inner loops in one scalar and several vector versions, chosen
// at run time from what the processor offers. Every version gives the same
// bits as the scalar reference it names: the vector ones put different agents
// (or different weights) in different lanes and keep each lane's sums in
// exactly the reference order, with no fused multiply-add.
//
// VELQUIN_KERNEL=scalar|avx2|avx512 forces one version; a version the
// processor cannot run is refused, never replaced by another.
#include <cstdint>
#include <string>
#include <vector>

#include "model/Agent.h"

namespace vk {

struct RunState;

// The weight arrays a kernel fills are this long: a vector store of the last
// weights may run past nWeights to the next multiple of eight.
constexpr int kPaddedWeights = 104;

// The weight of a code found from its low four bits alone, as a vector
// permute or gather reads a code byte: 0..4 at 0..4, -4..-1 (0xfc..0xff) at 12..15.
inline constexpr double kWeightOfCodeBits[16] = {
    kWeightOfCode[4], kWeightOfCode[5], kWeightOfCode[6], kWeightOfCode[7], kWeightOfCode[8], 0, 0, 0, 0, 0, 0, 0,
    kWeightOfCode[0], kWeightOfCode[1], kWeightOfCode[2], kWeightOfCode[3]};

struct ModelKernel {
  const char* name;
  // computeForecast for agents 1..popsize.
  void (*forecastAgents)(RunState& s);
  // For g = 1..nWeights, at index g - 1: the sum over agents 1..popsize of
  // decodeWeight(genes[g]) and of its square, agent by agent in order, as
  // weightSpread sums them. Both arrays hold kPaddedWeights entries.
  void (*weightSums)(const RunState& s, double* sums, double* squares);
  // The index of the first of values[0..count - 1] that is <= p, or count;
  // the coin of flip(p) in a scan over the random table.
  int (*firstAtMost)(const double* values, int count, double p);
  // advanceTable (model/Random.h) on the generator's 55 entries.
  void (*advanceTable)(double* entry);
  // advanceTable again and again, at least once and at most `most` times,
  // until a refill leaves an entry <= p (a coin of flip(p) that comes up).
  // Returns the refills done; marks receives the last refill's entries <= p
  // as bits, entry k at bit k - 1 (0 when there are none).
  int (*advanceTablesUntilMarked)(double* entry, double p, int most, std::uint64_t* marks);
  // drawPermutation (model/Genetics.h).
  void (*drawPermutation)(RunState& s, int n);
};

const ModelKernel& scalarKernel();
const ModelKernel& avx2Kernel();
const ModelKernel& avx512Kernel();

// Every kernel by name, scalar first.
std::vector<const ModelKernel*> allKernels();

// Whether this processor (and its operating system) runs the kernel.
bool kernelRunsHere(const ModelKernel& kernel);

// The kernel VELQUIN_KERNEL names, or the fastest one this processor runs.
// Throws RunError for an unknown name or one the processor cannot run.
const ModelKernel& chooseKernel();

// The run's kernel; a run state that was never initialised uses the scalar one.
const ModelKernel& kernelOf(const RunState& s);

}  // namespace vk

#include "model/Kernel.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#include "io/RunError.h"
#include "model/Agent.h"
#include "model/Genetics.h"
#include "model/PathOutput.h"
#include "model/Random.h"
#include "model/RunState.h"

namespace vk {

namespace {

void forecastEachAgent(RunState& s) {
  for (int n = 1; n <= s.popsize; ++n) computeForecast(s, s.agents[n]);
}

void sumEachWeight(const RunState& s, double* sums, double* squares) {
  for (int g = 1; g <= s.nWeights; ++g) sumWeight(s, g, sums[g - 1], squares[g - 1]);
}

int firstAtMostScalar(const double* values, int count, double p) {
  int i = 0;
  while (i < count && !(values[i] <= p)) ++i;
  return i;
}

int advanceTablesUntilMarkedScalar(double* entry, double p, int most, std::uint64_t* marks) {
  int refills = 0;
  std::uint64_t found = 0;
  do {
    advanceTable(entry);
    ++refills;
    for (int k = 1; k <= 55; ++k)
      if (entry[k - 1] <= p) found |= std::uint64_t{1} << (k - 1);
  } while (found == 0 && refills < most);
  *marks = found;
  return refills;
}

const ModelKernel kScalar = {"scalar",          forecastEachAgent, sumEachWeight,
                             firstAtMostScalar, advanceTable,      advanceTablesUntilMarkedScalar,
                             drawPermutation};

}  // namespace

const ModelKernel& scalarKernel() { return kScalar; }

std::vector<const ModelKernel*> allKernels() { return {&scalarKernel(), &avx2Kernel(), &avx512Kernel()}; }

bool kernelRunsHere(const ModelKernel& kernel) {
  const std::string name = kernel.name;
  __builtin_cpu_init();
  // The AVX-512 shuffle works on bytes; the AVX2 one picks set bits.
  if (name == "avx512") return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
  if (name == "avx2")
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2");
  return true;
}

const ModelKernel& chooseKernel() {
  const std::vector<const ModelKernel*> kernels = allKernels();
  const char* forced = std::getenv("VELQUIN_KERNEL");
  if (forced == nullptr || *forced == '\0') {
    for (auto k = kernels.rbegin(); k != kernels.rend(); ++k)
      if (kernelRunsHere(**k)) return **k;
    return scalarKernel();
  }
  std::string names;
  for (const ModelKernel* k : kernels) {
    if (forced == std::string(k->name)) {
      if (!kernelRunsHere(*k))
        throw RunError("VELQUIN_KERNEL = '" + std::string(forced) + "': this processor cannot run that kernel.");
      return *k;
    }
    names += names.empty() ? k->name : std::string(", ") + k->name;
  }
  throw RunError("VELQUIN_KERNEL = '" + std::string(forced).substr(0, 40) + "' names no kernel; the kernels are " +
                 names + ".");
}

const ModelKernel& kernelOf(const RunState& s) { return s.kernel != nullptr ? *s.kernel : kScalar; }

}  // namespace vk

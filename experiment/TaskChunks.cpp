#include "experiment/TaskChunks.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace vk {

namespace {

// The whole work over the target, to the nearest whole number of chunks.
long chunkCount(double total, double targetSeconds, long limit) {
  if (!(targetSeconds > 0)) return limit;
  const double wanted = std::round(total / targetSeconds);
  if (!(wanted >= 1)) return 1;
  return wanted >= static_cast<double>(limit) ? limit : static_cast<long>(wanted);
}

}  // namespace

std::vector<RunChunk> chunkRuns(const std::vector<int>& ids, const std::vector<double>& seconds, double targetSeconds,
                                int maxChunks) {
  std::vector<RunChunk> chunks;
  if (ids.empty()) return chunks;
  const double total = std::accumulate(seconds.begin(), seconds.end(), 0.0);
  const long limit = std::min<long>(std::max(maxChunks, 1), static_cast<long>(ids.size()));
  const long count = chunkCount(total, targetSeconds, limit);
  double before = 0;
  long last = -1;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    const double middle = before + seconds[i] / 2;
    before += seconds[i];
    // Work without an estimate has no middle to place by; it stays together.
    const long index =
        total > 0 ? std::clamp(static_cast<long>(middle * static_cast<double>(count) / total), 0L, count - 1) : 0;
    if (chunks.empty() || index != last) chunks.emplace_back();
    last = index;
    chunks.back().ids.push_back(ids[i]);
    chunks.back().seconds += seconds[i];
  }
  return chunks;
}

}  // namespace vk

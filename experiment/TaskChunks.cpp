#include "experiment/TaskChunks.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace vk {

std::vector<RunChunk> chunkRuns(const std::vector<int>& ids, const std::vector<double>& seconds, double minSeconds,
                                int maxChunks) {
  std::vector<RunChunk> chunks;
  if (ids.empty()) return chunks;
  const double total = std::accumulate(seconds.begin(), seconds.end(), 0.0);
  const double target = std::max(minSeconds, total / std::max(maxChunks, 1));
  // A run goes to the chunk its middle falls in, when the work is laid end
  // to end and cut every `target` seconds: chunks come out within half a run
  // of the target, and there are no more than total / target of them.
  double before = 0;
  long last = -1;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    const double middle = before + seconds[i] / 2;
    before += seconds[i];
    const long index = target > 0 ? std::min<long>(static_cast<long>(middle / target), maxChunks - 1) : 0;
    if (chunks.empty() || index != last) chunks.emplace_back();
    last = index;
    chunks.back().ids.push_back(ids[i]);
    chunks.back().seconds += seconds[i];
  }
  // A rest of less than half the target is not worth a task of its own.
  if (chunks.size() > 1 && chunks.back().seconds < target / 2) {
    RunChunk rest = std::move(chunks.back());
    chunks.pop_back();
    chunks.back().ids.insert(chunks.back().ids.end(), rest.ids.begin(), rest.ids.end());
    chunks.back().seconds += rest.seconds;
  }
  return chunks;
}

}  // namespace vk

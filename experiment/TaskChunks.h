#pragma once
// Runs grouped into the tasks of a batch system: a task started for a run of
// half a second costs more in scheduling than the run, so each task takes
// consecutive runs until it holds enough work by the plan's estimate. The
// cluster engine's array tasks and a calibration's generations use it.
#include <vector>

namespace vk {

struct RunChunk {
  std::vector<int> ids;
  double seconds = 0;  // the estimated work of its runs
};

// Groups the runs, in order, into chunks of about minSeconds of estimated
// work each (seconds[i] is the estimate of ids[i]): each within half a run
// of it, and a rest below half of it joins the chunk before. When that would
// make more than maxChunks, the chunks grow to an equal share of the whole
// work, so there are at most maxChunks. No runs: no chunks.
std::vector<RunChunk> chunkRuns(const std::vector<int>& ids, const std::vector<double>& seconds, double minSeconds,
                                int maxChunks);

}  // namespace vk

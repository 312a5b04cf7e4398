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

// Groups the runs, in order, into chunks of equal estimated work (seconds[i]
// is the estimate of ids[i]). The tasks of an array run side by side and the
// slowest one sets the array's time, so the work is shared out evenly rather
// than cut every targetSeconds with a short rest at the end. The number of
// chunks is the whole work over targetSeconds rounded to the nearest whole
// number: at least 1, at most maxChunks and never more than the runs (no
// target, 0: as many as maxChunks allows). The work, laid end to end, is cut
// into that many equal shares and each run goes to the share its middle falls
// in: a chunk's edges lie within half a run of the even cuts, so equal runs
// give chunks that differ by one run at most, and a run longer than a share
// can leave fewer chunks. No runs: no chunks.
std::vector<RunChunk> chunkRuns(const std::vector<int>& ids, const std::vector<double>& seconds, double targetSeconds,
                                int maxChunks);

}  // namespace vk

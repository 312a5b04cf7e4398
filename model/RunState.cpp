#include "model/RunState.h"

#include "model/Seed.h"

namespace vk {

std::unique_ptr<RunState> newRunState(Display& display) {
  // Value-initialisation zero-fills every number of the record.
  auto s = std::make_unique<RunState>();
  s->display = &display;
  s->randomSeed = kRandomSeed;
  return s;
}

}  // namespace vk

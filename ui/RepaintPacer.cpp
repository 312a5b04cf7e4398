#include "ui/RepaintPacer.h"

#include <algorithm>
#include <limits>

namespace vk {

RepaintPacer::RepaintPacer(int intervalMs, Clock clock) : intervalMs_(intervalMs), clock_(std::move(clock)) {
  timer_.start();
  // The first change after a quiet time is painted at once.
  lastPaint_ = std::numeric_limits<qint64>::min() / 2;
}

qint64 RepaintPacer::now() const { return clock_ ? clock_() : timer_.elapsed(); }

int RepaintPacer::add(std::function<void()> paint) {
  painters_.push_back(std::move(paint));
  pending_.push_back(false);
  return static_cast<int>(painters_.size()) - 1;
}

void RepaintPacer::changed(int id) {
  pending_[static_cast<std::size_t>(id)] = true;
  anyPending_ = true;
  catchUp();
}

void RepaintPacer::catchUp() {
  if (anyPending_ && now() - lastPaint_ >= std::max<qint64>(intervalMs_, kGapPerPaintMs * lastDuration_)) flush();
}

void RepaintPacer::flush() {
  if (!anyPending_) return;
  const qint64 start = timer_.nsecsElapsed();
  const qint64 startMs = now();
  for (std::size_t i = 0; i < painters_.size(); ++i) {
    if (!pending_[i]) continue;
    pending_[i] = false;
    painters_[i]();
  }
  anyPending_ = false;
  ++paintCount_;
  paintNs_ += timer_.nsecsElapsed() - start;
  // Counted from the end of the painting, so that painting never takes more
  // than its share of the run however slow it is.
  lastPaint_ = now();
  lastDuration_ = lastPaint_ - startMs;
}

}  // namespace vk

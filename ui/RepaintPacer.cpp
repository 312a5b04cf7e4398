#include "ui/RepaintPacer.h"

#include <algorithm>
#include <limits>

namespace vk {

RepaintPacer::RepaintPacer(int intervalMs, Clock clock) : intervalMs_(intervalMs), clock_(std::move(clock)) {
  timer_.start();
  // The first change after a quiet time is shown at once.
  lastPaint_ = std::numeric_limits<qint64>::min() / 2;
  lateShow_.setSingleShot(true);
  lateShow_.callOnTimeout([this] { catchUp(); });
}

qint64 RepaintPacer::now() const { return clock_ ? clock_() : timer_.elapsed(); }

qint64 RepaintPacer::gapMs() const { return std::max<qint64>(intervalMs_, kGapPerPaintMs * lastDuration_); }

int RepaintPacer::add(std::function<void()> show) {
  showers_.push_back(std::move(show));
  pending_.push_back(false);
  return static_cast<int>(showers_.size()) - 1;
}

void RepaintPacer::changed(int id) {
  mark(id);
  catchUp();
}

void RepaintPacer::mark(int id) {
  pending_[static_cast<std::size_t>(id)] = true;
  anyPending_ = true;
}

void RepaintPacer::catchUp() {
  if (!anyPending_) return;
  const qint64 wait = lastPaint_ + gapMs() - now();
  if (wait <= 0) return flush();
  if (!lateShow_.isActive()) lateShow_.start(static_cast<int>(std::min<qint64>(wait, intervalMs_ * 10)));
}

void RepaintPacer::withdraw(int id) {
  pending_[static_cast<std::size_t>(id)] = false;
  anyPending_ = std::find(pending_.begin(), pending_.end(), true) != pending_.end();
}

void RepaintPacer::flush() {
  if (!anyPending_) return;
  lateShow_.stop();
  const qint64 start = timer_.nsecsElapsed();
  const qint64 startMs = now();
  for (std::size_t i = 0; i < showers_.size(); ++i) {
    if (!pending_[i]) continue;
    pending_[i] = false;
    showers_[i]();
  }
  anyPending_ = false;
  if (present_) present_();
  ++paintCount_;
  paintNs_ += timer_.nsecsElapsed() - start;
  // Counted from the end of the painting, so that painting never takes more
  // than its share of the run however slow it is.
  lastPaint_ = now();
  lastDuration_ = lastPaint_ - startMs;
}

}  // namespace vk

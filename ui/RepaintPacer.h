#pragma once
// A run shows thousands of changes a second, played into the window from
// the run's thread; painting each would cost more than the run itself, and
// the screen shows a new picture only every few milliseconds anyway. The
// pacer therefore paints what has changed at most once per interval (the
// screen's pace, 30 ms, or longer after a slow painting): a change is painted
// at once when the last painting is that long ago, and otherwise with the
// next change, the next call of catchUp() or the next flush(). The window
// calls catchUp() at every week, so nothing waits much longer than one
// interval, and flush() at the end of the run.
#include <QElapsedTimer>

#include <functional>
#include <vector>

namespace vk {

class RepaintPacer {
 public:
  using Clock = std::function<qint64()>;  // milliseconds, monotonic
  // After a painting that took d milliseconds the next waits at least this
  // many times d, so that painting takes at most an eighth of the time
  // however slow the screen is.
  static constexpr qint64 kGapPerPaintMs = 7;

  explicit RepaintPacer(int intervalMs = 30, Clock clock = Clock());

  // Registers something that can be painted; returns its number.
  int add(std::function<void()> paint);
  // Target `id` shows something new; paints everything pending if due.
  void changed(int id);
  // Paints everything pending if due.
  void catchUp();
  // Paints everything pending now.
  void flush();

  bool isPending(int id) const { return pending_[static_cast<std::size_t>(id)]; }
  int intervalMs() const { return intervalMs_; }
  // How often and how long it has painted, for measuring what showing costs.
  int paintCount() const { return paintCount_; }
  double paintMs() const { return paintNs_ / 1e6; }

 private:
  qint64 now() const;

  int intervalMs_;
  Clock clock_;
  QElapsedTimer timer_;
  std::vector<std::function<void()>> painters_;
  std::vector<bool> pending_;
  bool anyPending_ = false;
  qint64 lastPaint_;
  qint64 lastDuration_ = 0;
  int paintCount_ = 0;
  qint64 paintNs_ = 0;
};

}  // namespace vk

#pragma once
// A run shows thousands of changes a second, played into the window from
// the run's thread; painting each would cost more than the run itself, and
// the screen shows a new picture only every few milliseconds anyway. The
// pacer therefore shows what has changed at most once per interval (or
// longer after a slow painting): a change is shown at once when the last
// painting is that long ago, and otherwise with the next change, the next
// call of catchUp(), the next flush() or, when none comes in time, when the
// interval has passed. The window calls flush() at the end of the run.
//
// Showing is done in two steps, so that each window is painted once however
// many of its parts changed: each target brings its widgets up to date and
// marks them for painting, and then the presenter paints what they marked.
#include <QElapsedTimer>
#include <QTimer>

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

  // Registers something that can be shown; returns its number. show brings
  // it up to date and marks what must be painted.
  int add(std::function<void()> show);
  // Called after the targets of each showing: paints what they marked.
  void setPresenter(std::function<void()> present) { present_ = std::move(present); }
  // Target `id` shows something new; shows everything pending if due.
  void changed(int id);
  // Target `id` shows something new with the next showing, which a
  // change or catchUp() following at once may make.
  void mark(int id);
  // Shows everything pending if due.
  void catchUp();
  // Shows everything pending now.
  void flush();
  // Target `id` has nothing left to show: what it would show has been
  // brought up to date another way.
  void withdraw(int id);

  bool isPending(int id) const { return pending_[static_cast<std::size_t>(id)]; }
  int intervalMs() const { return intervalMs_; }
  // How often and how long it has painted, for measuring what showing costs.
  int paintCount() const { return paintCount_; }
  double paintMs() const { return paintNs_ / 1e6; }

 private:
  qint64 now() const;
  qint64 gapMs() const;

  int intervalMs_;
  Clock clock_;
  QElapsedTimer timer_;
  // Shows what is left pending when no change or catchUp() comes in time.
  QTimer lateShow_;
  std::vector<std::function<void()>> showers_;
  std::function<void()> present_;
  std::vector<bool> pending_;
  bool anyPending_ = false;
  qint64 lastPaint_;
  qint64 lastDuration_ = 0;
  int paintCount_ = 0;
  qint64 paintNs_ = 0;
};

}  // namespace vk

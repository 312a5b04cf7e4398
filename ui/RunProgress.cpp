#include "ui/RunProgress.h"

#include <cstdio>

namespace vk {

namespace {

// The status line changes at most this often within a path: a run reports
// thousands of weeks a second.
constexpr long long kShowEveryMs = 250;
// The pace is taken as known after this long.
constexpr long long kSettleMs = 1000;

}  // namespace

RunProgress::RunProgress(Clock clock) : clock_(std::move(clock)) { timer_.start(); }

long long RunProgress::now() const { return clock_ ? clock_() : timer_.elapsed(); }

void RunProgress::begin(int paths) {
  running_ = true;
  paths_ = paths;
  path_ = 0;
  lastPercent_ = -1;
  started_ = lastShown_ = now();
}

bool RunProgress::week(int percent) {
  if (!running_) return false;
  // A path's percentages rise to 100; the next path starts again below.
  const bool newPath = lastPercent_ < 0 || lastPercent_ == 100 || percent < lastPercent_;
  const bool moved = percent != lastPercent_;
  lastPercent_ = percent;
  if (newPath) ++path_;
  // Within a path the status follows the percentage, which stays the same
  // for many weeks: those ask the clock nothing.
  if (!newPath && !moved) return false;
  const long long t = now();
  if (!newPath && t - lastShown_ < kShowEveryMs) return false;
  lastShown_ = t;
  return true;
}

void RunProgress::end() { running_ = false; }

long long RunProgress::msLeft() const {
  if (paths_ <= 0 || path_ <= 0) return -1;
  const long long elapsed = now() - started_;
  const double done = (path_ - 1 + lastPercent_ / 100.0) / paths_;
  if (elapsed < kSettleMs || done <= 0) return -1;
  return static_cast<long long>(elapsed * (1 - done) / done);
}

std::string RunProgress::status() const {
  if (!running_) return std::string();
  std::string text = "Path " + std::to_string(path_ > 0 ? path_ : 1);
  if (paths_ > 0) text += " of " + std::to_string(paths_);
  const long long left = msLeft();
  text += left < 0 ? ", time left not yet known" : ", " + clockTime(left) + " left";
  return text;
}

std::string clockTime(long long ms) {
  const long long s = (ms + 500) / 1000;
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
  return text;
}

}  // namespace vk

#pragma once
// Where a run stands, from the week progress it reports: which path it is
// in ("path k of N"; a path begins where the week percentage starts again
// from below) and how long the rest will take at the pace so far.
#include <QElapsedTimer>

#include <functional>
#include <string>

namespace vk {

class RunProgress {
 public:
  using Clock = std::function<long long()>;  // milliseconds, monotonic

  explicit RunProgress(Clock clock = Clock());

  // paths: how many the run computes, 0 when not known beforehand.
  void begin(int paths);
  // The week percentage of the current path; true when the status line
  // should be shown anew (a new path, or a new percentage a while since the
  // last showing).
  bool week(int percent);
  void end();

  int path() const { return path_; }
  // Milliseconds still to go, or -1 while there is too little to go by.
  long long msLeft() const;
  // "Path 3 of 10, 1:05 left"; empty when no run is under way.
  std::string status() const;

 private:
  long long now() const;

  Clock clock_;
  QElapsedTimer timer_;
  bool running_ = false;
  int paths_ = 0;
  int path_ = 0;
  int lastPercent_ = -1;
  long long started_ = 0;
  long long lastShown_ = 0;
};

// "0:42", "12:05", "1:02:03".
std::string clockTime(long long ms);

}  // namespace vk

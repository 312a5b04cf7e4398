#pragma once
// The scan of the reference path file r0000.csv that fixes the weeks of
// every summary: the first week F, the start week T (the last week in which
// simulation and history agree) and the last week L.
//
// A summary cannot be made without these weeks, so a reference file that is
// missing, or in which no line has a simulated rate different from the actual
// one, is a RunError, raised before the summary file is created: the
// selection file has then been written, and the summary file of an earlier
// Plot stays as it was. So are lines whose weeks do not follow one another
// (every path file is read by line position against these weeks), and the
// malformed numbers of any line, the first one included.
#include <string>
#include <vector>

namespace vk {

struct WeekSpan {
  int first = 0;
  int start = 0;
  int last = 0;
};

// One line of a rate file: week, simulated rate, actual rate.
struct RateLine {
  int week = 0;
  double simulated = 0.0;
  double actual = 0.0;
};

struct ReferenceScan {
  WeekSpan span;
  // Every line of the file, the first included, so lines[w - span.first] is
  // week w.
  std::vector<RateLine> lines;

  bool departs(const RateLine& l) const { return l.simulated != l.actual; }
  const RateLine& lineOfWeek(int week) const { return lines[static_cast<std::size_t>(week - span.first)]; }
};

ReferenceScan scanReference(const std::string& directory);

}  // namespace vk

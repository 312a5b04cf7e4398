#pragma once
// The points the summaries hand to a chart. They are plain data: a window
// passes them to its chart, the command line ignores them.
#include <vector>

namespace vk {

struct ChartPoint {
  double x = 0.0;
  double y = 0.0;
};

// A point of a colour grid or contour series: at week x, bin z, the count.
struct GridCount {
  int week = 0;
  int count = 0;
  int bin = 0;
};

using PointList = std::vector<ChartPoint>;

}  // namespace vk

#include "model/Levels.h"

#include <cmath>

namespace vk {

int clampLevel(double x, int ndiv) {
  if (ndiv > std::fabs(x)) return static_cast<int>(x);
  if (x >= ndiv) return ndiv;
  if (x <= -ndiv) return -ndiv;
  return 0;
}

int clampTrend(double x) {
  if (x >= kMaxTrendLevel) return kMaxTrendLevel;
  if (x <= -kMaxTrendLevel) return -kMaxTrendLevel;
  if (x != x) return 0;  // NaN has no integer part; converting it would be undefined
  return static_cast<int>(x);
}

}  // namespace vk

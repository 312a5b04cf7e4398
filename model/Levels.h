#pragma once
// The two whole-number scales of the model and the clamps onto them: price
// levels -ndiv..ndiv, in which forecasts, clearing levels and histograms are
// counted, and trend levels -3..3, which the trend factors and the staged
// network's group outputs take.

namespace vk {

constexpr int kMaxTrendLevel = 3;

// x truncated toward zero and limited to -ndiv..ndiv. NaN gives 0, so no
// caller ever converts a value an int cannot hold.
int clampLevel(double x, int ndiv);

// x truncated toward zero and limited to -3..3; NaN gives 0.
int clampTrend(double x);

}  // namespace vk

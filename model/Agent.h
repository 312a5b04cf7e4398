#pragma once
// The agents and their forecasting rule: weight codes, the staged network
// over the week's factor values, and the forecast, strength and target it
// yields.
#include <cstdint>

#include "io/IndexedArray.h"
#include "model/Limits.h"

namespace vk {

struct RunState;

// One agent: its weight codes, and what it forecast, aims to hold, holds and
// earned in the latest week.
struct Agent {
  IndexedArray<std::int8_t, 1, kMaxWeights> genes;  // weight codes -4..4
  double forecast;
  double strength;
  double fitness;
  double position;
  double target;
};

// The weight of each code -4..4, at index code + 4.
inline constexpr double kWeightOfCode[9] = {-3, -1, -0.5, -0.1, 0, 0.1, 0.5, 1, 3};

// The weight of a code -4..4: -3, -1, -0.5, -0.1, 0, 0.1, 0.5, 1, 3.
inline double decodeWeight(int code) { return kWeightOfCode[code + 4]; }

// Sets the agent's forecast, strength and target from its genes and the
// factor values already loaded for the week; reads nothing else of the agent
// and draws no random number. This is the reference every vector kernel of
// the forecasts must equal bit for bit.
void computeForecast(const RunState& s, Agent& agent);

// computeForecast for agents 1..popsize, on the run's kernel.
void forecastAgents(RunState& s);

}  // namespace vk

#pragma once
// The agents' forecasting rule: weight codes, the staged network over the
// week's factor values, and the forecast, strength and target it yields.

namespace vk {

struct Agent;
struct RunState;

// The weight of a code -4..4: -3, -1, -0.5, -0.1, 0, 0.1, 0.5, 1, 3.
double decodeWeight(int code);

// Sets the agent's forecast, strength and target from its genes and the
// factor values already loaded for the week; reads nothing else of the agent
// and draws no random number.
void computeForecast(const RunState& s, Agent& agent);

}  // namespace vk

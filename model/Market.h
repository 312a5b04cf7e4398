#pragma once
// The market clearing of one week: the actual rate in training weeks; in
// simulated weeks the order book over the price levels, the clearing level,
// cancelled and rationed orders, the traded volume and the agents' fitness.

namespace vk {

struct RunState;

// Clears s.week. Reads the agents' forecast, target and position; writes
// their target and fitness, the week's simRate and simChange, and in a
// simulated week simHist, volume and the supply and demand schedules.
void clearMarket(RunState& s);

// Sorts s.sortIndex[lo..hi] by the agents' forecast, ascending. Agents with
// equal forecasts end in the order this particular quicksort leaves them,
// which fixes the order of summation of the schedules.
void sortByForecast(RunState& s, int lo, int hi);

}  // namespace vk

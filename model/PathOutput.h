#pragma once
// The per-path output of one week (rate, weights, supply and demand,
// snapshots, forecasts, factor scores, sign counts) and the live charts.

namespace vk {

struct Agent;
struct RunState;

// Mean and standard deviation over the agents; the deviation is 0 when the
// variance is not positive.
struct Spread {
  double mean;
  double deviation;
};

// The sum over agents 1..popsize, in order, of decoded weight g and of its
// square: the reference of the kernels' weight sums.
void sumWeight(const RunState& s, int g, double& sum, double& squares);

// Spread of the decoded weight g over agents 1..popsize: sum first, divide once.
Spread weightSpread(const RunState& s, int g);

// The agent's score for loading row f: sum over the loading columns of the
// decoded weight the column refers to times the column's coefficient.
double factorScore(const RunState& s, const Agent& agent, int row);

// The weight a loading column refers to: row 0's entry to the nearest whole
// number, halves to even, as the loading reader checked it.
int loadingWeight(const RunState& s, int column);

// The week's lines in every file of the run mode, and the live chart updates.
void writeWeekOutput(RunState& s);

}  // namespace vk

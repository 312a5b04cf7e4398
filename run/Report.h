#pragma once
// The evaluation of a run: statistics of the actual and simulated changes,
// the actual histogram, the path report in eval.txt and the frequency table.

namespace vk {

struct RunState;

// actualStats over actualChange[teachyear+1..maxyear], and actualHist.
void evaluateActual(RunState& s);

// Appends the current path's errors and statistics to the open eval.txt.
void writePathReport(RunState& s);

// Writes the current path's frequency table into its open "/f" file.
void writeFrequencyTable(RunState& s);

}  // namespace vk

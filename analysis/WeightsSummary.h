#pragma once
// The weights summary: per week, the agents' mean of every weight averaged
// over the selected paths' weight files. Written to weight.txt in the result
// directory for every week of the reference file; the first seventeen
// weights over the simulated weeks are the series of the weights chart.
//
// Each weight-file line is added to the week its first field names, which
// must be a week of the reference file (a line naming another week is
// refused: the file does not belong to the run). The table is sized from the
// weeks of the reference file and the number of weights on the lines, so any
// number of weights is accepted, but every line read must carry as many as
// the first one (a line cut short is refused). A data line carries that many
// weights; with no path selected none.
#include <array>
#include <string>

#include "analysis/ChartPoint.h"
#include "analysis/ResultDirectory.h"
#include "analysis/SummaryFiles.h"

namespace vk {

constexpr int kPlottedWeights = 17;

struct WeightsSeries {
  // weights[j - 1] is the series titled j.
  std::array<PointList, kPlottedWeights> weights;
};

// Clears `series` and fills it as the summary proceeds: after a RunError it
// holds the points added before the failure, as a chart keeps them.
void summariseWeights(const std::string& directory, WeightsSeries& series);
// The same over a selection given by the caller, such as the command line's
// paths kept in memory.
void summariseWeights(const std::string& directory, PathSelection& selection, WeightsSeries& series);

}  // namespace vk

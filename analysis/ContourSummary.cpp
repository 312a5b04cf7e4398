#include "analysis/ContourSummary.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/ReferenceScan.h"
#include "analysis/ResultDirectory.h"
#include "analysis/ResultFile.h"
#include "io/OutputFile.h"
#include "io/RunError.h"
#include "io/TextFormat.h"

namespace vk {

namespace {

// The count table is sized from the input; beyond this it would not fit in memory.
constexpr long long kMaxCountCells = 50000000;

struct Bins {
  double minY = 0.0;
  double maxY = 0.0;
  double width = 0.0;
  int count = 0;

  double centre(int g) const { return minY + width / 2 + g * width; }
  double gridCoordinate(double y) const { return (y - minY - width / 2) / width; }

  int binOf(double v) const {
    if (v <= minY) return 0;
    if (v >= maxY) return count - 1;
    // A value just below the upper bound can round up to count.
    return std::min(static_cast<int>((v - minY) / width), count - 1);
  }
};

std::string shortReal(double x);

// The division's own message first, then which field holds what.
void checkGrids(int grids) {
  const std::string gridsRange = "; it must lie between 1 and " + plainInt(kMaxGrids) + ".";
  if (grids == 0) throw RunError("Floating point division by zero: \"# of Y grids\" is 0" + gridsRange);
  if (grids < 0 || grids > kMaxGrids) throw RunError("\"# of Y grids\" is " + plainInt(grids) + gridsRange);
}

// The lowest and highest of the values seen.
struct Range {
  double low = 10000000;
  double high = -10000000;
  void add(double v) {
    low = std::min(low, v);
    high = std::max(high, v);
  }
};

// The automatic bounds take in the actual values of the simulated weeks and
// every simulated value counted, widened by a quarter of their range on each
// side: bounds from the actual values alone would put every simulated value
// beyond them into an edge bin.
Bins binsFor(const ReferenceScan& ref, const ContourSettings& settings, Range range) {
  for (std::size_t i = 1; i < ref.lines.size(); ++i) {
    const RateLine& line = ref.lines[i];
    if (ref.departs(line)) range.add(line.actual);
  }
  Bins b;
  const double d = (range.high - range.low) / 4;
  b.maxY = settings.autoMaxY ? range.high + d : settings.maxY;
  b.minY = settings.autoMinY ? range.low - d : settings.minY;
  checkGrids(settings.grids);
  b.count = settings.grids;
  const std::string equalBounds =
      "Floating point division by zero: MinY and MaxY are both " + shortReal(b.minY) + "; they must differ.";
  if (b.minY == b.maxY) throw RunError(equalBounds);
  b.width = (b.maxY - b.minY) / b.count;
  // Bounds so far apart or so close that the width leaves the reals would
  // give infinite or undefined grid coordinates.
  if (b.width == 0) throw RunError(equalBounds);
  if (!std::isfinite(b.width)) throw RunError("Floating point overflow");
  return b;
}

std::string shortReal(double x) { return general(x, 10); }

std::string dataLine(int week, double centre, int count) {
  return "\"" + plainInt(week) + "\",\"" + fixed(centre, 8, 4) + "\",\"" + plainInt(count) + "\",\"\n";
}

}  // namespace

void summariseContour(const std::string& directory, const ContourSettings& settings, ContourSeries& series) {
  SelectionReader selection(directory);
  summariseContour(directory, selection, settings, series);
}

void summariseContour(const std::string& directory, PathSelection& selection, const ContourSettings& settings,
                      ContourSeries& series) {
  series = ContourSeries();
  const ReferenceScan ref = scanReference(directory);
  const WeekSpan& span = ref.span;
  checkGrids(settings.grids);
  const int weekCount = span.last - span.start + 1;
  if (static_cast<long long>(weekCount) * settings.grids > kMaxCountCells)
    throw RunError("The count table of " + plainInt(weekCount) + " weeks by " + plainInt(settings.grids) +
                   " Y grids is too large: at most " + plainInt(kMaxCountCells) + " cells are supported");
  // Typed bounds are known before the paths are read; automatic ones take
  // in the simulated values, so those are kept until every path is read.
  const bool typed = !settings.autoMinY && !settings.autoMaxY;
  Bins bins;
  if (typed) bins = binsFor(ref, settings, Range());
  // counts[(w - T) * G + g]
  std::vector<int> counts(static_cast<std::size_t>(weekCount) * static_cast<std::size_t>(settings.grids), 0);
  const auto count = [&](int w, double simulated, double actual) {
    series.actualPath.push_back({static_cast<double>(span.start + w), bins.gridCoordinate(actual)});
    ++counts[static_cast<std::size_t>(w) * bins.count + bins.binOf(simulated)];
    if (simulated < bins.minY) ++series.below;
    if (simulated > bins.maxY) ++series.above;
  };
  std::vector<double> simulatedKept, actualKept;
  Range simulatedRange;

  OutputFile out;
  out.createReplacing(resultFilePath(directory, kContourSummaryFileName));
  selection.begin();
  const int n = selection.count();
  SummaryHeader header(out, n);
  for (int i = 0; i < n; ++i) {
    const int k = selection.nextPath();
    header.addPath(k);
    ResultFileReader file(resultFilePath(directory, pathFileName(kRatePrefix, k)));
    file.skip(span.start - span.first);
    for (int w = 0; w < weekCount; ++w) {
      file.next();
      requireWeek(file, span.start + w);
      const double v = file.realAt(kSimulatedField);
      const double a = file.realAt(kActualField);
      if (typed) {
        count(w, v, a);
        continue;
      }
      simulatedRange.add(v);
      simulatedKept.push_back(v);
      actualKept.push_back(a);
    }
    requireEndAfter(file, span.last);
  }
  header.endPathList();
  if (!typed) {
    bins = binsFor(ref, settings, simulatedRange);
    for (std::size_t i = 0; i < simulatedKept.size(); ++i)
      count(static_cast<int>(i % static_cast<std::size_t>(weekCount)), simulatedKept[i], actualKept[i]);
  }
  series.minY = bins.minY;
  series.maxY = bins.maxY;
  series.binWidth = bins.width;
  series.values = static_cast<long long>(n) * weekCount;

  // The start week is counted but neither written nor drawn.
  for (int w = 1; w < weekCount; ++w) {
    const int week = span.start + w;
    std::string block;
    for (int g = 0; g < bins.count; ++g) {
      int& c = counts[static_cast<std::size_t>(w) * bins.count + g];
      if (c > settings.maxZ) c = settings.maxZ;
      block += dataLine(week, bins.centre(g), c);
      series.grid.push_back({week, c, g});
    }
    out.write(block + "\n");
  }
  out.commit();
}

}  // namespace vk

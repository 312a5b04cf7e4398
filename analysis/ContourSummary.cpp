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

Bins binsFor(const ReferenceScan& ref, const ContourSettings& settings) {
  Bins b;
  b.minY = 10000000;
  b.maxY = -10000000;
  for (std::size_t i = 1; i < ref.lines.size(); ++i) {
    const RateLine& line = ref.lines[i];
    if (!ref.departs(line)) continue;
    if (b.minY > line.actual) b.minY = line.actual;
    if (b.maxY < line.actual) b.maxY = line.actual;
  }
  const double d = (b.maxY - b.minY) / 4;
  b.maxY = b.maxY + d;
  b.minY = b.minY - d;
  if (!settings.autoMinY) b.minY = settings.minY;
  if (!settings.autoMaxY) b.maxY = settings.maxY;

  b.count = settings.grids;
  // The division's own message first, then which field holds what.
  const std::string gridsRange = "; it must lie between 1 and " + plainInt(kMaxGrids) + ".";
  if (b.count == 0) throw RunError("Floating point division by zero: \"# of Y grids\" is 0" + gridsRange);
  if (b.count < 0 || b.count > kMaxGrids) throw RunError("\"# of Y grids\" is " + plainInt(b.count) + gridsRange);
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
  const Bins bins = binsFor(ref, settings);
  series.minY = bins.minY;
  series.maxY = bins.maxY;
  series.binWidth = bins.width;

  const int weekCount = span.last - span.start + 1;
  if (static_cast<long long>(weekCount) * bins.count > kMaxCountCells)
    throw RunError("The count table of " + plainInt(weekCount) + " weeks by " + plainInt(bins.count) +
                   " Y grids is too large: at most " + plainInt(kMaxCountCells) + " cells are supported");
  // counts[(w - T) * G + g]
  std::vector<int> counts(static_cast<std::size_t>(weekCount) * static_cast<std::size_t>(bins.count), 0);

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
      const int week = span.start + w;
      requireWeek(file, week);
      const double v = file.realAt(kSimulatedField);
      const double a = file.realAt(kActualField);
      series.actualPath.push_back({static_cast<double>(week), bins.gridCoordinate(a)});
      ++counts[static_cast<std::size_t>(w) * bins.count + bins.binOf(v)];
    }
    requireEndAfter(file, span.last);
  }
  header.endPathList();

  // The start week is counted but neither written nor drawn.
  for (int w = 1; w < weekCount; ++w) {
    const int week = span.start + w;
    std::string block;
    for (int g = 0; g < bins.count; ++g) {
      int& count = counts[static_cast<std::size_t>(w) * bins.count + g];
      if (count > settings.maxZ) count = settings.maxZ;
      block += dataLine(week, bins.centre(g), count);
      series.grid.push_back({week, count, g});
    }
    out.write(block + "\n");
  }
  out.commit();
}

}  // namespace vk

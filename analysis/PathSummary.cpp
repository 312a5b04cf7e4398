#include "analysis/PathSummary.h"

#include <cmath>
#include <vector>

#include "analysis/PathList.h"
#include "analysis/ReferenceScan.h"
#include "analysis/ResultDirectory.h"
#include "analysis/ResultFile.h"
#include "io/OutputFile.h"
#include "io/ResultLock.h"
#include "io/TextFormat.h"

namespace vk {

namespace {

// Below it a variance is rounding residue of paths that agree.
constexpr double kVarianceThreshold = 1e-10;

// The sums of one week over the paths, each term already divided by n. The
// natural-scale terms are exponentials taken in extended precision and added
// in it before the sum is rounded back to a double at each path: the
// summary's natural columns follow that rounding, not a double exponential.
struct WeekSums {
  double log = 0.0;
  double logSquare = 0.0;
  double natural = 0.0;
  double naturalSquare = 0.0;
  double volume = 0.0;
  double actual = 0.0;
};

void addActualPath(const ReferenceScan& ref, PointList& actual) {
  // The line departs from the last simulated value before the departure.
  bool departed = false;
  for (std::size_t i = 1; i < ref.lines.size(); ++i) {
    const RateLine& line = ref.lines[i];
    if (!ref.departs(line)) continue;
    if (!departed) actual.push_back({line.week - 1.0, ref.lines[i - 1].simulated});
    departed = true;
    actual.push_back({static_cast<double>(line.week), line.actual});
  }
}

void addPath(ResultFileReader& file, const WeekSpan& span, int n, std::vector<WeekSums>& weeks) {
  file.skip(span.start - span.first);
  int week = span.start;
  for (WeekSums& w : weeks) {
    file.next();
    requireWeek(file, week++);
    const double simulated = file.realAt(kSimulatedField);
    const double actual = file.realAt(kActualField);
    const double volume = file.realAt(kVolumeField);
    const long double natural = std::exp(static_cast<long double>(simulated));
    w.log = w.log + simulated / n;
    w.logSquare = w.logSquare + simulated * simulated / n;
    w.natural = static_cast<double>(w.natural + natural / n);
    w.naturalSquare = static_cast<double>(w.naturalSquare + natural * natural / n);
    w.volume = w.volume + volume / n;
    w.actual = actual;
  }
  requireEndAfter(file, span.last);
}

double deviation(double squareMean, double mean) {
  const double variance = squareMean - mean * mean;
  return variance > kVarianceThreshold ? std::sqrt(variance) : 0.0;
}

// The log-scale mean and spread m and s, the natural-scale mean and spread,
// and the actual rate r, with exp(r) and exp(m) taken in extended precision.
std::string dataLine(int week, const WeekSums& w, double logDeviation, double naturalDeviation) {
  const double m = w.log, s = logDeviation, r = w.actual;
  const long double actualNatural = std::exp(static_cast<long double>(r));
  const long double meanNatural = std::exp(static_cast<long double>(m));
  const char tab = '\t';
  std::string line = plainInt(week);
  line += tab + fixed(w.volume, 7, 3);
  line += tab + fixed(m, 7, 3);
  line += tab + fixed(r, 7, 3);
  line += tab + fixed(s, 7, 3);
  line += tab + fixed(m - r, 7, 3);
  line += "\t\t" + fixed(w.natural, 8, 3);
  line += tab + fixedExtended(actualNatural, 8, 3);
  line += tab + fixed(naturalDeviation, 7, 3);
  line += tab + fixedExtended(w.natural - actualNatural, 8, 3);
  line += tab + fixedExtended(meanNatural, 8, 3);
  line += tab + fixedExtended(std::exp(static_cast<long double>(s)), 8, 3);
  line += tab + fixedExtended(meanNatural - actualNatural, 8, 3);
  line += tab + fixed(m - s, 8, 3);
  line += tab + fixed(m + s, 8, 3);
  line += tab + fixedExtended(std::exp(static_cast<long double>(m - s)), 8, 3);
  line += tab + fixedExtended(std::exp(static_cast<long double>(m + s)), 8, 3);
  return line + "\n";
}

// The chart's points of a week; returns the log-scale deviation, which the
// start week, where every path is the actual rate, does not have.
double addWeekPoints(PathSummarySeries& series, int week, const WeekSums& sums, bool startWeek) {
  const double logDeviation = startWeek ? 0.0 : deviation(sums.logSquare, sums.log);
  series.mean.push_back({static_cast<double>(week), sums.log});
  series.plusSd.push_back({static_cast<double>(week), sums.log + logDeviation});
  series.minusSd.push_back({static_cast<double>(week), sums.log - logDeviation});
  return logDeviation;
}

}  // namespace

void summarisePaths(const std::string& directory, PathSummarySeries& series) {
  SelectionReader selection(directory);
  summarisePaths(directory, selection, series);
}

void summarisePaths(const std::string& directory, PathSelection& selection, PathSummarySeries& series) {
  series = PathSummarySeries();
  const ReferenceScan ref = scanReference(directory);
  const WeekSpan& span = ref.span;
  addActualPath(ref, series.actual);

  std::vector<WeekSums> weeks(static_cast<std::size_t>(span.last - span.start + 1));
  for (int w = span.start; w <= span.last; ++w)
    weeks[static_cast<std::size_t>(w - span.start)].actual = ref.lineOfWeek(w).actual;

  OutputFile out;
  out.createReplacing(resultFilePath(directory, kPathSummaryFileName));
  selection.begin();
  const int n = selection.count();
  SummaryHeader header(out, n);
  for (int i = 0; i < n; ++i) {
    const int k = selection.nextPath();
    header.addPath(k);
    ResultFileReader file(resultFilePath(directory, pathFileName(kRatePrefix, k)));
    addPath(file, span, n, weeks);
  }
  header.endPathList();
  out.write("#\t\tLog\t\t\t\t\tNatural\n");
  out.write("# week\tvolume\tmean\treal\tstd\terror\t\tmean\treal\tstd\terror\n");

  for (int w = span.start; w <= span.last; ++w) {
    const WeekSums& sums = weeks[static_cast<std::size_t>(w - span.start)];
    const double logDeviation = addWeekPoints(series, w, sums, w == span.start);
    const double naturalDeviation = w == span.start ? 0.0 : deviation(sums.naturalSquare, sums.natural);
    out.write(dataLine(w, sums, logDeviation, naturalDeviation));
  }
  out.commit();
}

PathSummarySeries comparedRunSeries(const std::string& directory) {
  // No run may write the directory while it is read.
  const ResultLock lock(directory, ResultLock::Use::Summary);
  PathSummarySeries series;
  const ReferenceScan ref = scanReference(directory);
  const WeekSpan& span = ref.span;
  addActualPath(ref, series.actual);
  const std::vector<int> paths = lastRunPathsOf(directory, kRatePrefix).paths;
  std::vector<WeekSums> weeks(static_cast<std::size_t>(span.last - span.start + 1));
  for (int k : paths) {
    ResultFileReader file(resultFilePath(directory, pathFileName(kRatePrefix, k)));
    addPath(file, span, static_cast<int>(paths.size()), weeks);
  }
  for (int w = span.start; w <= span.last; ++w)
    addWeekPoints(series, w, weeks[static_cast<std::size_t>(w - span.start)], w == span.start);
  return series;
}

}  // namespace vk

#include "analysis/PathSummary.h"

#include <cmath>
#include <vector>

#include "analysis/ReferenceScan.h"
#include "analysis/ResultDirectory.h"
#include "analysis/ResultFile.h"
#include "io/OutputFile.h"
#include "io/TextFormat.h"

namespace vk {

namespace {

// Below it a variance is rounding residue of paths that agree.
constexpr double kVarianceThreshold = 1e-10;

// The sums of one week over the paths, each term already divided by n.
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
  for (WeekSums& w : weeks) {
    file.next();
    const double x = file.realAt(kSimulatedField);
    const double r = file.realAt(kActualField);
    const double v = file.realAt(kVolumeField);
    const long double e = std::exp(static_cast<long double>(x));
    w.log += x / n;
    w.logSquare += x * x / n;
    w.natural = static_cast<double>(w.natural + e / n);
    w.naturalSquare = static_cast<double>(w.naturalSquare + e * e / n);
    w.volume += v / n;
    w.actual = r;
  }
}

double deviation(double squareMean, double mean) {
  const double variance = squareMean - mean * mean;
  return variance > kVarianceThreshold ? std::sqrt(variance) : 0.0;
}

std::string dataLine(int week, const WeekSums& w, double s, double S) {
  const double m = w.log, M = w.natural, r = w.actual;
  const long double er = std::exp(static_cast<long double>(r));
  const long double em = std::exp(static_cast<long double>(m));
  const char tab = '\t';
  std::string line = plainInt(week);
  line += tab + fixed(w.volume, 7, 3);
  line += tab + fixed(m, 7, 3);
  line += tab + fixed(r, 7, 3);
  line += tab + fixed(s, 7, 3);
  line += tab + fixed(m - r, 7, 3);
  line += "\t\t" + fixed(M, 8, 3);
  line += tab + fixedExtended(er, 8, 3);
  line += tab + fixed(S, 7, 3);
  line += tab + fixedExtended(M - er, 8, 3);
  line += tab + fixedExtended(em, 8, 3);
  line += tab + fixedExtended(std::exp(static_cast<long double>(s)), 8, 3);
  line += tab + fixedExtended(em - er, 8, 3);
  line += tab + fixed(m - s, 8, 3);
  line += tab + fixed(m + s, 8, 3);
  line += tab + fixedExtended(std::exp(static_cast<long double>(m - s)), 8, 3);
  line += tab + fixedExtended(std::exp(static_cast<long double>(m + s)), 8, 3);
  return line + "\n";
}

}  // namespace

void summarisePaths(const std::string& directory, PathSummarySeries& series) {
  series = PathSummarySeries();
  const ReferenceScan ref = scanReference(directory);
  const WeekSpan& span = ref.span;
  addActualPath(ref, series.actual);

  std::vector<WeekSums> weeks(static_cast<std::size_t>(span.last - span.start + 1));
  for (int w = span.start; w <= span.last; ++w) weeks[static_cast<std::size_t>(w - span.start)].actual = ref.lineOfWeek(w).actual;

  OutputFile out;
  out.create(resultFilePath(directory, kPathSummaryFileName));
  SelectionReader selection(directory);
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
    const bool startWeek = w == span.start;
    const double s = startWeek ? 0.0 : deviation(sums.logSquare, sums.log);
    const double S = startWeek ? 0.0 : deviation(sums.naturalSquare, sums.natural);
    series.mean.push_back({static_cast<double>(w), sums.log});
    series.plusSd.push_back({static_cast<double>(w), sums.log + s});
    series.minusSd.push_back({static_cast<double>(w), sums.log - s});
    out.write(dataLine(w, sums, s, S));
  }
  out.close();
}

}  // namespace vk

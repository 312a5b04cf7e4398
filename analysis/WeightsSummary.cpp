#include "analysis/WeightsSummary.h"

#include <vector>

#include "analysis/ReferenceScan.h"
#include "analysis/ResultDirectory.h"
#include "analysis/ResultFile.h"
#include "io/OutputFile.h"
#include "io/RunError.h"
#include "io/TextFormat.h"

namespace vk {

namespace {

// Per week, the averages of weights 1, 2, … at [0], [1], …; a week holds as
// many as the lines that named it carried.
using WeekAverages = std::vector<double>;

double averageOf(const WeekAverages& week, int j) {
  return static_cast<std::size_t>(j) <= week.size() ? week[static_cast<std::size_t>(j - 1)] : 0.0;
}

// Adds one weight file; returns the number of weights on its last line.
int addWeightFile(ResultFileReader& file, const WeekSpan& span, int n, std::vector<WeekAverages>& weeks) {
  const int lineCount = span.last - span.first + 1;
  int m = 0;
  for (int i = 0; i < lineCount; ++i) {
    file.next();
    m = file.fieldCount() == 0 ? 0 : static_cast<int>((file.fieldCount() - 1) / 2);
    const int week = file.intAt(kWeekField);
    if (week < span.first || week > span.last)
      throw RunError("Week " + plainInt(week) + " lies outside the weeks " + plainInt(span.first) + " to " +
                     plainInt(span.last) + " of the reference file (" + file.path() + ", line " +
                     plainInt(file.line()) + ")");
    WeekAverages& row = weeks[static_cast<std::size_t>(week - span.first)];
    if (row.size() < static_cast<std::size_t>(m)) row.resize(static_cast<std::size_t>(m), 0.0);
    for (int j = 1; j <= m; ++j) {
      double& average = row[static_cast<std::size_t>(j - 1)];
      average = average + file.realAt(2 * j - 1) / n;
    }
  }
  return m;
}

std::string dataLine(int week, const WeekAverages& row, int m) {
  std::string line = plainInt(week) + "\t";
  for (int j = 1; j <= m; ++j) line += "\"" + fixed(averageOf(row, j), 6, 5) + "\",";
  return line + "\n";
}

}  // namespace

void summariseWeights(const std::string& directory, WeightsSeries& series) {
  series = WeightsSeries();
  const ReferenceScan ref = scanReference(directory);
  const WeekSpan& span = ref.span;

  OutputFile out;
  out.create(resultFilePath(directory, kWeightsSummaryFileName));
  SelectionReader selection(directory);
  const int n = selection.count();
  SummaryHeader header(out, n);
  std::vector<WeekAverages> weeks(static_cast<std::size_t>(span.last - span.first + 1));
  int m = 0;
  for (int i = 0; i < n; ++i) {
    const int k = selection.nextPath();
    header.addPath(k);
    ResultFileReader file(resultFilePath(directory, pathFileName(kWeightPrefix, k)));
    m = addWeightFile(file, span, n, weeks);
  }
  header.endPathList();

  std::string text;
  for (int w = span.first; w <= span.last; ++w) text += dataLine(w, weeks[static_cast<std::size_t>(w - span.first)], m);
  out.write(text);
  out.close();

  for (int w = span.start; w <= span.last; ++w)
    for (int j = 1; j <= kPlottedWeights; ++j)
      series.weights[static_cast<std::size_t>(j - 1)].push_back(
          {static_cast<double>(w), averageOf(weeks[static_cast<std::size_t>(w - span.first)], j)});
}

}  // namespace vk

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

// The number of weights of a weights line: the week, then a mean and a
// deviation per weight. Every line of the selected files must carry as many
// as the first one read; a line cut short would otherwise shrink the summary
// to its width.
int weightCountOf(const ResultFileReader& file, int& expected) {
  const std::size_t fields = file.fieldCount();
  const int m = fields == 0 ? 0 : static_cast<int>((fields - 1) / 2);
  if (fields % 2 == 0 || (expected >= 0 && m != expected))
    throw RunError("The line holds " + plainInt(static_cast<long long>(fields)) + " fields, where " +
                   (expected >= 0 ? "the first line read holds " + plainInt(2 * expected + 1) + ": the week and " +
                                        plainInt(expected) + " weights, each a mean and a deviation"
                                  : "a weights line holds the week and a mean and a deviation per weight") +
                   " (" + file.path() + ", line " + plainInt(file.line()) +
                   "); the file is cut short, damaged or of another weight structure");
  expected = m;
  return m;
}

// Adds one weight file; returns the number of weights on its lines.
int addWeightFile(ResultFileReader& file, const WeekSpan& span, int n, int& width, std::vector<WeekAverages>& weeks) {
  const int lineCount = span.last - span.first + 1;
  int m = 0;
  for (int i = 0; i < lineCount; ++i) {
    file.next();
    const int week = file.intAt(kWeekField);
    if (week < span.first || week > span.last)
      throw RunError("Week " + plainInt(week) + " lies outside the weeks " + plainInt(span.first) + " to " +
                     plainInt(span.last) + " of the reference file (" + file.path() + ", line " +
                     plainInt(file.line()) + ")");
    m = weightCountOf(file, width);
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
  SelectionReader selection(directory);
  summariseWeights(directory, selection, series);
}

void summariseWeights(const std::string& directory, PathSelection& selection, WeightsSeries& series) {
  series = WeightsSeries();
  const ReferenceScan ref = scanReference(directory);
  const WeekSpan& span = ref.span;

  OutputFile out;
  out.createReplacing(resultFilePath(directory, kWeightsSummaryFileName));
  selection.begin();
  const int n = selection.count();
  SummaryHeader header(out, n);
  std::vector<WeekAverages> weeks(static_cast<std::size_t>(span.last - span.first + 1));
  int m = 0;
  int width = -1;
  for (int i = 0; i < n; ++i) {
    const int k = selection.nextPath();
    header.addPath(k);
    ResultFileReader file(resultFilePath(directory, pathFileName(kWeightPrefix, k)));
    m = addWeightFile(file, span, n, width, weeks);
  }
  header.endPathList();

  std::string text;
  for (int w = span.first; w <= span.last; ++w) text += dataLine(w, weeks[static_cast<std::size_t>(w - span.first)], m);
  out.write(text);
  out.commit();

  for (int w = span.start; w <= span.last; ++w)
    for (int j = 1; j <= kPlottedWeights; ++j)
      series.weights[static_cast<std::size_t>(j - 1)].push_back(
          {static_cast<double>(w), averageOf(weeks[static_cast<std::size_t>(w - span.first)], j)});
}

}  // namespace vk

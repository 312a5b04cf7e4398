#pragma once
// The run report eval.txt: the block each path appends to it, and the report
// read back as a tidy table, one row per path and one column per value, for
// pandas and R with no options.
//
// A block: "No. = " and the path number; after the first line of path 1 the
// parameter line; the errors' header and the six errors; the statistics'
// header and the ten statistics. Each value is 23 characters wide; the
// errors are separated by tabs, the statistics each followed by one.
//
// Every value read keeps the text eval.txt gives it (trimmed), so the table
// holds exactly what the report says. A value the report writes as NAN
// becomes an empty field; +INF and -INF become Inf and -Inf.
#include <array>
#include <string>
#include <vector>

namespace vk {

constexpr const char* kReportFileName = "eval.txt";

constexpr int kReportErrorCount = 6;
constexpr int kReportStatisticCount = 10;
constexpr int kReportValueCount = kReportErrorCount + kReportStatisticCount;

// "path", then me_sim, me_rw, mae_sim, mae_rw, rmse_sim, rmse_rw, then
// mean, std, skew, kurt and sr of the simulated and the actual changes.
extern const std::array<const char*, kReportValueCount + 1> kReportColumns;

struct PathReportRow {
  int path = 0;
  // In the order of kReportColumns after "path".
  std::array<std::string, kReportValueCount> values;
};

// The block of one path. parameterLine: empty but for path 1.
std::string pathReportText(int path, const std::string& parameterLine, const double (&errors)[kReportErrorCount],
                           const double (&statistics)[kReportStatisticCount]);

// Reads every path report of the file, in file order. A block that is cut
// short or does not have the report's shape (a run killed while writing it,
// a file that is not a report) is a RunError naming the file and the line.
std::vector<PathReportRow> readRunReport(const std::string& evalPath);

// The value of column `column` (an index into values) as a number; NaN for
// an empty field.
double reportValue(const PathReportRow& row, int column);

// The header line and the rows, comma-separated, each line ended by "\n".
std::string reportTableText(const std::vector<PathReportRow>& rows);
// The row's fields, comma-separated, with no line end.
std::string reportRowFields(const PathReportRow& row);

}  // namespace vk

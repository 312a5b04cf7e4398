#pragma once
// The run report eval.txt read back as a tidy table: one row per path, one
// column per value, for pandas and R with no options.
//
// Every value keeps the text eval.txt gives it (trimmed), so the table holds
// exactly what the report says. A value the report writes as NAN becomes an
// empty field; +INF and -INF become Inf and -Inf.
#include <array>
#include <string>
#include <vector>

namespace vk {

constexpr int kReportValueCount = 16;

// "path", then me_sim, me_rw, mae_sim, mae_rw, rmse_sim, rmse_rw, then
// mean, std, skew, kurt and sr of the simulated and the actual changes.
extern const std::array<const char*, kReportValueCount + 1> kReportColumns;

struct PathReportRow {
  int path = 0;
  // In the order of kReportColumns after "path".
  std::array<std::string, kReportValueCount> values;
};

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

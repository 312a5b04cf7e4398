#include "app/ReportCommand.h"

#include <cstdio>

#include "io/AtomicFile.h"
#include "io/RunError.h"
#include "run/ReportFile.h"

namespace vk {

void writeReportTableOf(const std::string& resultDir, const std::string& csvFile) {
  const std::vector<PathReportRow> rows = readRunReport(resultDir + "/" + kReportFileName);
  const std::string table = reportTableText(rows);
  if (csvFile.empty()) {
    if (std::fputs(table.c_str(), stdout) == EOF || std::fflush(stdout) != 0)
      throw RunError("Cannot write the table to stdout");
    return;
  }
  writeFileAtomically(csvFile, table);
  std::fprintf(stderr, "Wrote %s: %zu path%s.\n", csvFile.c_str(), rows.size(), rows.size() == 1 ? "" : "s");
}

std::string reportColumnList() {
  std::string list;
  for (const char* column : kReportColumns) list += std::string(list.empty() ? "" : ", ") + column;
  return list;
}

}  // namespace vk

#include "app/ReportCommand.h"

#include <cstdio>

#include "io/AtomicFile.h"
#include "io/OutputFile.h"
#include "io/ResultLock.h"
#include "io/RunError.h"
#include "run/ReportFile.h"

namespace vk {

void writeReportTableOf(const std::string& resultDir, const std::string& csvFile) {
  checkResultDirectoryName(resultDir, "given to --result");
  const std::string report = resultDir + "/" + kReportFileName;
  if (!csvFile.empty()) refuseInputAsOutput(csvFile, {report});
  // A run writing the report meanwhile would leave it with fewer paths than
  // it will have.
  const ResultLock lock(resultDir, ResultLock::Use::Summary);
  if (lock.unfinished())
    std::fprintf(stderr, "velquin-cli: warning: %s The report holds the paths it completed.\n",
                 unfinishedRunNote(resultDir, *lock.unfinished()).c_str());
  const std::vector<PathReportRow> rows = readRunReport(report);
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

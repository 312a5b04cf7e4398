#pragma once
// velquin-cli analyze report: eval.txt of a result directory as a CSV table.
#include <string>

namespace vk {

// Writes the table into csvFile, or to stdout when it is empty.
void writeReportTableOf(const std::string& resultDir, const std::string& csvFile);

// "path, me_sim, ..., sr_actual", for the help text.
std::string reportColumnList();

}  // namespace vk

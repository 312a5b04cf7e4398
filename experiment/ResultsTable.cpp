#include "experiment/ResultsTable.h"

#include "experiment/RunFolder.h"
#include "io/AtomicFile.h"
#include "io/RunError.h"
#include "run/ReportTable.h"

namespace vk {

namespace {

const char* const kUnfinished = "the run did not finish: its cluster task ended before it";

std::string tableHeader(const ExperimentPlan& plan) {
  std::string text = "run,seed";
  for (const std::string& column : plan.columns) text += "," + csvField(column);
  for (const char* column : kReportColumns) text += std::string(",") + column;
  return text + ",status,message\n";
}

std::string runFields(const ExperimentPlan& plan, const PlannedRun& run) {
  std::string text = std::to_string(run.id) + "," + std::to_string(run.seed);
  for (const std::string& value : plan.points[run.point]) text += "," + csvField(value);
  return text;
}

// The row of a run without paths: its values empty.
std::string emptyRow(const std::string& runText, const char* status, const std::string& message) {
  return runText + std::string(kReportValueCount + 1, ',') + "," + status + "," + csvField(message) + "\n";
}

}  // namespace

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

RunCounts countRuns(const ExperimentPlan& plan, const std::string& dir) {
  RunCounts counts;
  for (const PlannedRun& run : plan.runs) {
    const RunOutcome outcome = runOutcome(dir, run, nullptr);
    if (outcome == RunOutcome::Done)
      ++counts.done;
    else if (outcome == RunOutcome::Failed)
      ++counts.failed;
    else
      ++counts.pending;
  }
  return counts;
}

std::string resultsTableText(const ExperimentPlan& plan, const std::string& dir, bool unfinishedFailed,
                             RunCounts* counts) {
  RunCounts tally;
  std::string text = tableHeader(plan);
  for (const PlannedRun& run : plan.runs) {
    const std::string runText = runFields(plan, run);
    std::string message;
    RunOutcome outcome = runOutcome(dir, run, &message);
    if (outcome == RunOutcome::Done) {
      try {
        std::string rows;
        for (const PathReportRow& row : readRunReport(runResultFolder(dir, run) + "/eval.txt"))
          rows += runText + "," + reportRowFields(row) + ",done,\n";
        text += rows;
        ++tally.done;
        continue;
      } catch (const RunError& e) {
        // Changed after it was marked done: report it, do not hide it.
        outcome = RunOutcome::Failed;
        message = e.what();
      }
    }
    if (outcome == RunOutcome::Pending && unfinishedFailed) {
      outcome = RunOutcome::Failed;
      message = kUnfinished;
    }
    if (outcome == RunOutcome::Failed) {
      text += emptyRow(runText, "failed", message);
      ++tally.failed;
    } else {
      text += emptyRow(runText, "pending", "");
      ++tally.pending;
    }
  }
  if (counts) *counts = tally;
  return text;
}

RunCounts writeResultsTable(const ExperimentPlan& plan, const std::string& dir, bool unfinishedFailed) {
  RunCounts counts;
  writeFileAtomically(dir + "/results.csv", resultsTableText(plan, dir, unfinishedFailed, &counts));
  return counts;
}

}  // namespace vk

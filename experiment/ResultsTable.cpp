#include "experiment/ResultsTable.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <utility>

#include "analysis/FactsSummary.h"
#include "analysis/FactsTable.h"
#include "analysis/ResultFile.h"
#include "analysis/SummaryFiles.h"
#include "experiment/LocalPool.h"
#include "experiment/RunFolder.h"
#include "io/AtomicFile.h"
#include "io/CompressedFile.h"
#include "io/RunError.h"
#include "run/ReportFile.h"

namespace vk {

namespace {

const char* const kUnfinished = "the run did not finish: its cluster task ended before it";

const std::string kFactsPrefix = "facts_";

std::string tableHeader(const ExperimentPlan& plan) {
  std::string text = "run,seed";
  for (const std::string& column : plan.columns) text += "," + csvField(column);
  text += std::string(",") + kReportColumns[0];
  for (const std::string& column : resultsValueColumns()) text += "," + column;
  return text + ",status,message\n";
}

std::string joinedFields(const std::vector<std::string>& fields) {
  std::string text;
  for (const std::string& field : fields) text += "," + field;
  return text;
}

// The market a run's actual rate comes from, by the name its column shows.
std::string marketOf(const ExperimentPlan& plan, const DesignPoint& point) {
  const auto found = std::find(plan.columns.begin(), plan.columns.end(), "market");
  if (found != plan.columns.end() && plan.description.vary[found - plan.columns.begin()].kind == VaryKind::Market)
    return point[found - plan.columns.begin()];
  return plan.description.market.name;
}

// The run's facts table; made now for a run finished before runs made it.
FactsTableText runFacts(const std::string& resultFolder) {
  const std::string file = resultFolder + "/" + kFactsSummaryFileName;
  if (!plainOrCompressedExists(file)) summariseRunFacts(resultFolder);
  return readFactsTable(file);
}

// The rows of a finished run into `rows`: its report's rows, each followed
// by the facts of its path.
void doneRows(const std::string& runText, const std::vector<PathReportRow>& report, const FactsTableText& facts,
              const std::string& evalFile, std::string& rows) {
  rows.clear();
  for (const PathReportRow& row : report) {
    const auto found = facts.paths.find(row.path);
    if (found == facts.paths.end())
      throw RunError(evalFile + " reports path " + std::to_string(row.path) + ", which its " + kFactsSummaryFileName +
                     " does not hold");
    rows += runText;
    rows += ',';
    rows += reportRowFields(row);
    for (const std::string& field : found->second) {
      rows += ',';
      rows += field;
    }
    rows += ",done,\n";
  }
}

// The varied values of a point, each after a comma.
std::string pointFields(const DesignPoint& point) {
  std::string text;
  for (const std::string& value : point) text += "," + csvField(value);
  return text;
}

// The row of a run without paths: its values empty.
std::string emptyRow(const std::string& runText, const char* status, const std::string& message) {
  static const std::string emptyValues(kReportValueCount + 1 + kFactColumns, ',');
  return runText + emptyValues + "," + status + "," + csvField(message) + "\n";
}

// Hands the table on in pieces of about a megabyte rather than a row at a time.
class TableBuffer {
 public:
  explicit TableBuffer(const TableSink& sink) : sink_(sink) {}
  void add(const std::string& text) {
    text_ += text;
    if (text_.size() >= kPiece) flush();
  }
  void flush() {
    if (!text_.empty()) sink_(text_);
    text_.clear();
  }

 private:
  static constexpr std::size_t kPiece = 1 << 20;
  const TableSink& sink_;
  std::string text_;
};

}  // namespace

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::vector<std::string> csvFields(const std::string& line) {
  std::vector<std::string> fields;
  csvFields(line, fields);
  return fields;
}

void csvFields(const std::string& line, std::vector<std::string>& fields) {
  // Most lines hold neither quotes nor carriage returns: their fields are cut
  // at the commas, in one pass, into the strings the last line left, which a
  // table of thousands of rows, read at every run that ends, spends most of
  // its time on. A quote or a carriage return sends the line the long way.
  std::size_t count = 0;
  const char* const end = line.data() + line.size();
  const char* start = line.data();
  for (const char* c = start;; ++c) {
    if (c != end && *c != ',') {
      if (*c == '"' || *c == '\r') break;
      continue;
    }
    if (count == fields.size()) fields.emplace_back();
    fields[count++].assign(start, c);
    if (c == end) {
      fields.resize(count);
      return;
    }
    start = c + 1;
  }
  fields.assign(1, std::string());
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"')
        fields.back() += line[++i];
      else if (c == '"')
        quoted = false;
      else
        fields.back() += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else if (c != '\r') {
      fields.back() += c;
    }
  }
}

std::vector<std::string> resultsValueColumns() {
  std::vector<std::string> columns(std::begin(kReportColumns) + 1, std::end(kReportColumns));
  for (int c = 0; c < kFactColumns; ++c) columns.push_back(kFactsPrefix + factColumnName(c));
  return columns;
}

ResultsTableReader::ResultsTableReader(const std::string& file) : file_(file), text_(TextReader::open(file)) {
  header_ = csvFields(text_.readLineText());
}

ResultsTableReader::ResultsTableReader(const std::string& name, std::string text)
    : file_(name), text_(name, std::move(text)) {
  header_ = csvFields(text_.readLineText());
}

int ResultsTableReader::column(const std::string& name, const std::string& what) const {
  const auto found = std::find(header_.begin(), header_.end(), name);
  if (found == header_.end()) throw RunError(file_ + " has no column '" + name + "' (" + what + ")");
  return static_cast<int>(found - header_.begin());
}

bool ResultsTableReader::next(std::vector<std::string>& fields) {
  if (text_.atEnd()) return false;
  line_ = text_.line();
  csvFields(text_.readLineText(), fields);
  if (fields.size() != header_.size())
    throw RunError(file_ + ", line " + std::to_string(line_) + ": " + std::to_string(fields.size()) +
                   " fields where the header has " + std::to_string(header_.size()));
  return true;
}

double ResultsTableReader::number(const std::vector<std::string>& fields, int column, const char* why) const {
  double value = 0;
  if (!parseReal(fields[column], value))
    throw RunError(file_ + ", line " + std::to_string(line_) + ": '" + fields[column].substr(0, 40) + "' in column " +
                   header_[column] + " is not a number; " + why);
  return value;
}

RunCounts countRuns(const ExperimentPlan& plan, const std::string& dir, const RunFailureHandler& onFailure) {
  RunCounts counts;
  std::string message;
  const RunFolderListing folders(dir, plan.runs);
  for (std::size_t id = 0; id < plan.runs.size(); ++id) {
    const RunOutcome outcome = folders.outcome(id, onFailure ? &message : nullptr);
    if (outcome == RunOutcome::Done) {
      ++counts.done;
    } else if (outcome == RunOutcome::Failed) {
      ++counts.failed;
      if (onFailure) onFailure(plan.runs[id], message);
    } else {
      ++counts.pending;
    }
  }
  return counts;
}

namespace {

// What one run gives the tables.
struct RunRows {
  RunOutcome outcome = RunOutcome::Pending;
  std::string rows;
  // A done run with paths: its market and the facts of its actual changes.
  std::pair<std::string, std::vector<std::string>> actual;
};

// Reads runs into their rows. The runs of a point follow each other: a
// reader makes the point's values once.
class RunReader {
 public:
  RunReader(const ExperimentPlan& plan, const std::string& dir, const RunFolderListing& folders, bool unfinishedFailed)
      : plan_(plan), dir_(dir), folders_(folders), unfinishedFailed_(unfinishedFailed) {}

  RunRows read(std::size_t id) {
    if (plan_.runs.point(id) != pointIndex_) {
      pointIndex_ = plan_.runs.point(id);
      point_ = plan_.points[pointIndex_];
      pointText_ = pointFields(point_);
    }
    const std::string runText = std::to_string(id) + "," + std::to_string(plan_.runs.seed(id)) + pointText_;
    RunRows run;
    std::string message;
    run.outcome = folders_.outcome(id, &message);
    if (run.outcome == RunOutcome::Done) {
      try {
        const std::string resultFolder = runResultFolder(dir_, plan_.runs.name(id));
        const std::string evalFile = resultFolder + "/" + kReportFileName;
        const std::vector<PathReportRow> report = readRunReport(evalFile);
        if (report.empty()) {
          run.rows = emptyRow(runText, "done", "");
          return run;
        }
        FactsTableText facts = runFacts(resultFolder);
        doneRows(runText, report, facts, evalFile, run.rows);
        run.actual = {marketOf(plan_, point_), std::move(facts.actual)};
        return run;
      } catch (const RunError& e) {
        // Changed after it was marked done: report it, do not hide it.
        run.outcome = RunOutcome::Failed;
        message = e.what();
      }
    }
    if (run.outcome == RunOutcome::Pending && unfinishedFailed_) {
      run.outcome = RunOutcome::Failed;
      message = kUnfinished;
    }
    run.rows =
        run.outcome == RunOutcome::Failed ? emptyRow(runText, "failed", message) : emptyRow(runText, "pending", "");
    return run;
  }

 private:
  const ExperimentPlan& plan_;
  const std::string& dir_;
  const RunFolderListing& folders_;
  bool unfinishedFailed_;
  int pointIndex_ = -1;
  DesignPoint point_;
  std::string pointText_;
};

// Reads the runs first, first + 1, ... into `batch`, each reader taking an
// equal stretch of them in a thread of its own. Reading a run is mostly
// waiting for its two files and unpacking them, which the cores share.
void readBatch(std::vector<RunReader>& readers, std::size_t first, std::vector<RunRows>& batch) {
  const std::size_t share = (batch.size() + readers.size() - 1) / readers.size();
  std::vector<std::exception_ptr> errors(readers.size());
  const auto readShare = [&](std::size_t r) {
    try {
      for (std::size_t i = r * share; i < std::min(batch.size(), (r + 1) * share); ++i)
        batch[i] = readers[r].read(first + i);
    } catch (...) {
      errors[r] = std::current_exception();
    }
  };
  std::vector<std::thread> helpers;
  for (std::size_t r = 1; r < readers.size(); ++r) helpers.emplace_back(readShare, r);
  readShare(0);
  for (std::thread& helper : helpers) helper.join();
  for (const std::exception_ptr& error : errors)
    if (error) std::rethrow_exception(error);
}

// Runs read at a time: a constant of some megabytes of rows, whatever the
// size of the experiment.
constexpr std::size_t kBatchRuns = 256;

}  // namespace

std::string makeExperimentTables(const ExperimentPlan& plan, const std::string& dir, bool unfinishedFailed,
                                 const TableSink& results, RunCounts* counts) {
  RunCounts tally;
  std::vector<std::pair<std::string, std::vector<std::string>>> actualRows;
  TableBuffer table(results);
  table.add(tableHeader(plan));
  const RunFolderListing folders(dir, plan.runs);
  std::vector<RunReader> readers(static_cast<std::size_t>(availableCores()),
                                 RunReader(plan, dir, folders, unfinishedFailed));
  std::vector<RunRows> batch;
  for (std::size_t first = 0; first < plan.runs.size(); first += kBatchRuns) {
    batch.assign(std::min(kBatchRuns, plan.runs.size() - first), RunRows{});
    readBatch(readers, first, batch);
    for (RunRows& run : batch) {
      table.add(run.rows);
      if (run.outcome == RunOutcome::Done) ++tally.done;
      if (run.outcome == RunOutcome::Failed) ++tally.failed;
      if (run.outcome == RunOutcome::Pending) ++tally.pending;
      if (!run.actual.first.empty() && std::find(actualRows.begin(), actualRows.end(), run.actual) == actualRows.end())
        actualRows.push_back(std::move(run.actual));
    }
  }
  table.flush();
  std::string actualFacts = "market";
  for (int c = 0; c < kFactColumns; ++c) actualFacts += "," + factColumnName(c);
  actualFacts += "\n";
  for (const auto& [market, facts] : actualRows) actualFacts += csvField(market) + joinedFields(facts) + "\n";
  if (counts) *counts = tally;
  return actualFacts;
}

ExperimentTables experimentTables(const ExperimentPlan& plan, const std::string& dir, bool unfinishedFailed,
                                  RunCounts* counts) {
  ExperimentTables tables;
  tables.actualFacts = makeExperimentTables(
      plan, dir, unfinishedFailed, [&tables](const std::string& text) { tables.results += text; }, counts);
  return tables;
}

RunCounts writeResultsTable(const ExperimentPlan& plan, const std::string& dir, bool unfinishedFailed) {
  // The verdict on the runs the cluster's jobs left unfinished goes into their
  // folders too, so that status and a later collect read what the table says.
  if (unfinishedFailed) markUnfinishedRunsFailed(plan, dir, kUnfinished);
  RunCounts counts;
  AtomicOutput results(dir + "/" + kResultsFileName);
  const std::string actualFacts = makeExperimentTables(
      plan, dir, unfinishedFailed, [&results](const std::string& text) { results.write(text); }, &counts);
  writeFileAtomically(dir + "/" + kActualFactsFileName, actualFacts);
  results.commit();
  return counts;
}

RunCounts writeResultsSnapshot(const ExperimentPlan& plan, const std::string& dir, const std::string& file) {
  RunCounts counts;
  AtomicOutput results(file);
  makeExperimentTables(
      plan, dir, false, [&results](const std::string& text) { results.write(text); }, &counts);
  results.commit();
  return counts;
}

}  // namespace vk

#pragma once
// DIR/results.csv: one row per run and path, sorted by run and path. The
// columns: run, seed, each varied parameter by name, then path and the run
// report's values as `analyze report` gives them, then the facts of the path
// from the run's facts.csv (its columns with the prefix facts_), then status
// (done, failed or pending) and message (why a run failed). A run that did
// not complete has one row with an empty path and empty values.
//
// DIR/facts-actual.csv: the facts of the actual changes, one row per market
// (the column market, then the facts table's columns); a market whose runs
// simulate different weeks has one row per distinct set of facts.
#include <functional>
#include <string>
#include <vector>

#include "experiment/Plan.h"
#include "io/TextReader.h"

namespace vk {

struct RunCounts {
  int done = 0;
  int failed = 0;
  int pending = 0;
};

// Counts the runs of the plan by the marks in their folders, handing each
// failed run and why it failed to onFailure, if given.
using RunFailureHandler = std::function<void(const PlannedRun& run, const std::string& message)>;
RunCounts countRuns(const ExperimentPlan& plan, const std::string& dir, const RunFailureHandler& onFailure = {});

constexpr const char* kResultsFileName = "results.csv";
constexpr const char* kActualFactsFileName = "facts-actual.csv";

struct ExperimentTables {
  std::string results;
  std::string actualFacts;
};

// Receives the results table piece by piece, in order.
using TableSink = std::function<void(const std::string& text)>;

// Makes the results table into `results`, a run at a time, and returns the
// facts table of the actual changes. With unfinishedFailed (the collector
// after the cluster's jobs ended) a run without a mark is failed; otherwise
// it is pending. A finished run without facts.csv (finished before runs
// made one) gets it now.
std::string makeExperimentTables(const ExperimentPlan& plan, const std::string& dir, bool unfinishedFailed,
                                 const TableSink& results, RunCounts* counts = nullptr);

// Both tables as texts.
ExperimentTables experimentTables(const ExperimentPlan& plan, const std::string& dir, bool unfinishedFailed,
                                  RunCounts* counts = nullptr);

// Writes DIR/facts-actual.csv and DIR/results.csv, replacing older ones;
// the results table goes straight to its file, never held whole.
RunCounts writeResultsTable(const ExperimentPlan& plan, const std::string& dir, bool unfinishedFailed);

// Writes the results table of the runs as they are now to `file`, outside
// DIR, and nothing into DIR: what a look at an experiment whose runs still go
// on takes. A run without its done mark is pending, however it ends.
RunCounts writeResultsSnapshot(const ExperimentPlan& plan, const std::string& dir, const std::string& file);

// A field as CSV holds it: quoted when it holds a comma, a quote or a line end.
std::string csvField(const std::string& text);
// The fields of one line: a field in double quotes may hold commas and ""
// for a quote; a carriage return outside quotes is dropped.
std::vector<std::string> csvFields(const std::string& line);
// The same into fields, reusing the strings it holds.
void csvFields(const std::string& line, std::vector<std::string>& fields);

// The columns of a path's values: the run report's after "path", then the
// facts with their prefix facts_.
std::vector<std::string> resultsValueColumns();

// results.csv read back line by line. A line with another number of fields
// than the header, and a field that should be a number and is not, are
// RunErrors naming the file and the line.
class ResultsTableReader {
 public:
  explicit ResultsTableReader(const std::string& file);
  // A table held in memory (one made while its runs go on), named `name` in
  // messages.
  ResultsTableReader(const std::string& name, std::string text);

  // The index of the named column; `what` says why it is needed when the
  // table has no such column.
  int column(const std::string& name, const std::string& what) const;
  // The next line's fields; false at the end of the table.
  bool next(std::vector<std::string>& fields);
  // The field as a number; `why` ends the message when it is not one.
  double number(const std::vector<std::string>& fields, int column, const char* why) const;
  // The line of the fields last read.
  int line() const { return line_; }
  const std::vector<std::string>& header() const { return header_; }
  // The file, or the name of a table in memory.
  const std::string& name() const { return file_; }

 private:
  std::string file_;
  TextReader text_;
  std::vector<std::string> header_;
  int line_ = 1;
};

}  // namespace vk

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
#include <string>

#include "experiment/Plan.h"

namespace vk {

struct RunCounts {
  int done = 0;
  int failed = 0;
  int pending = 0;
};

// Counts the runs of the plan by the marks in their folders.
RunCounts countRuns(const ExperimentPlan& plan, const std::string& dir);

constexpr const char* kActualFactsFileName = "facts-actual.csv";

struct ExperimentTables {
  std::string results;
  std::string actualFacts;
};

// The tables' text. With unfinishedFailed (the collector after the cluster's
// jobs ended) a run without a mark is failed; otherwise it is pending. A
// finished run without facts.csv (finished before runs made one) gets it now.
ExperimentTables experimentTables(const ExperimentPlan& plan, const std::string& dir, bool unfinishedFailed,
                                  RunCounts* counts = nullptr);

// Writes DIR/facts-actual.csv and DIR/results.csv whole, replacing older ones.
RunCounts writeResultsTable(const ExperimentPlan& plan, const std::string& dir, bool unfinishedFailed);

// A field as CSV holds it: quoted when it holds a comma, a quote or a line end.
std::string csvField(const std::string& text);

}  // namespace vk

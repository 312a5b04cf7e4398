#pragma once
// The files the summaries write into a result directory beside a run's path
// files, named once: the summaries write them, and a new run finds them as
// files of an earlier run.

namespace vk {

constexpr const char* kSelectionFileName = "statname.txt";
constexpr const char* kPathSummaryFileName = "stat.txt";
constexpr const char* kContourSummaryFileName = "freq.txt";
constexpr const char* kWeightsSummaryFileName = "weight.txt";
constexpr const char* kFactsSummaryFileName = "facts.csv";

constexpr const char* kSummaryFileNames[] = {kSelectionFileName, kPathSummaryFileName, kContourSummaryFileName,
                                             kWeightsSummaryFileName, kFactsSummaryFileName};

}  // namespace vk

#pragma once
// DIR/batches/bNNNN.txt: what one batch of candidates gave, written once the
// batch is complete, so that a calibration run again takes complete batches
// from here instead of running them, and with the very same numbers. Every
// number is written in its shortest form that reads back to the same double.
#include <optional>
#include <string>
#include <vector>

#include "calibration/CandidateBatch.h"

namespace vk {

struct BatchRecord {
  std::string step;  // start, search1, weights, search2, final
  int generation = 0;
  std::vector<Candidate> candidates;
  BatchMoments moments;
};

std::string batchRecordFile(const std::string& dir, int batch);

void writeBatchRecord(const std::string& file, const BatchRecord& record);

// The record, or none when the file does not exist. A damaged record is a
// RunError naming the file and line.
std::optional<BatchRecord> readBatchRecord(const std::string& file, int moments);

// A number in its shortest round-trip form; "inf" for +infinity.
std::string exactNumber(double value);

}  // namespace vk

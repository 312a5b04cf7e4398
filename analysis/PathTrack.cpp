#include "analysis/PathTrack.h"

#include <cmath>
#include <filesystem>

#include "analysis/ResultDirectory.h"
#include "analysis/ResultFile.h"

namespace vk {

namespace {

// The path's file, or an empty name when there is none: a missing file is no
// error, the viewer then keeps what it has.
std::string existingPathFile(const std::string& directory, char prefix, int pathNumber) {
  const std::string path = resultFilePath(directory, pathFileName(prefix, pathNumber));
  std::error_code ec;
  return std::filesystem::exists(path, ec) ? path : std::string();
}

}  // namespace

bool readRateTrack(const std::string& directory, int pathNumber, RateTrack& track) {
  const std::string path = existingPathFile(directory, kRatePrefix, pathNumber);
  if (path.empty()) return false;
  ResultFileReader in(path);
  track.records.clear();
  double commonRate = 0;
  bool haveCommonRate = false;
  while (!in.atEnd()) {
    in.next();
    const int week = in.intAt(kWeekField);
    const double simulated = in.realAt(kSimulatedField);
    const double actual = in.realAt(kActualField);
    if (track.records.empty()) {
      if (simulated == actual) {
        commonRate = simulated;
        haveCommonRate = true;
      } else {
        // The replay starts at the last week in which both rates agreed. A
        // file that differs from its first line on has no such week; the
        // line's actual rate stands in for it.
        const double start = haveCommonRate ? commonRate : actual;
        track.records.push_back({week - 1, start, start});
        track.records.push_back({week, actual, simulated});
        track.start = week - 1;
      }
    } else {
      track.records.push_back({week, actual, simulated});
    }
    track.end = week;
  }
  return true;
}

bool readWeightRows(const std::string& directory, int pathNumber, WeightRows& weights) {
  const std::string path = existingPathFile(directory, kWeightPrefix, pathNumber);
  if (path.empty()) return false;
  ResultFileReader in(path);
  weights.rows.clear();
  weights.rowOfWeek.clear();
  while (!in.atEnd()) {
    in.next();
    WeightRow row;
    row.week = in.realAt(kWeekField);
    // Each weight is a pair of fields, its mean and its spread; the viewer shows the mean.
    weights.weightCount = (static_cast<int>(in.fieldCount()) - 1) / 2;
    for (int k = 1; k <= weights.weightCount; ++k) row.means.push_back(in.realAt(2 * k - 1));
    if (row.week == std::floor(row.week) && std::abs(row.week) < 1e9)
      weights.rowOfWeek[static_cast<int>(row.week)] = static_cast<int>(weights.rows.size());
    weights.rows.push_back(std::move(row));
  }
  return true;
}

bool readSchedule(const std::string& directory, int pathNumber, Schedule& schedule) {
  const std::string path = existingPathFile(directory, kSchedulePrefix, pathNumber);
  if (path.empty()) return false;
  ResultFileReader in(path);
  schedule.blocks.assign(1, ScheduleBlock());
  int pairs = 0;
  while (!in.atEnd()) {
    in.next();
    if (in.fieldCount() == 1) {  // a week line starts a block
      ScheduleBlock block;
      block.week = in.realAt(0);
      schedule.blocks.push_back(std::move(block));
      pairs = 0;
    } else {
      const double supply = in.realAt(0);
      const double demand = in.realAt(1);
      schedule.blocks.back().pairs.emplace_back(supply, demand);
      ++pairs;
    }
  }
  schedule.pairCount = pairs;
  return true;
}

}  // namespace vk

#pragma once
// The three files of one stored path as the path viewer replays them: the
// rate track, the weights rows and the supply-and-demand blocks.
//
// Each reader fills a record the caller keeps from load to load. A file that
// does not exist leaves the record as it was. Otherwise the reader starts the
// record's rows afresh, so that no row of an earlier, longer path remains;
// a line that is malformed ends the reading with a RunError naming the file
// and the line, and the rows read before it stay.
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vk {

struct RateRecord {
  int week;
  double actual;
  double simulated;
};

// The frames of a replay: from the last week in which both rates agreed to
// the file's last line.
struct RateTrack {
  std::vector<RateRecord> records;
  int start = 0;  // week of the first record
  int end = 0;    // week of the file's last line
};

struct WeightRow {
  double week = 0;
  std::vector<double> means;  // weights 1..n
};

struct WeightRows {
  std::vector<WeightRow> rows;
  std::unordered_map<int, int> rowOfWeek;
  int weightCount = 0;  // of the last line read
};

struct ScheduleBlock {
  double week = 0;
  std::vector<std::pair<double, double>> pairs;  // supply and demand, lowest level first
};

struct Schedule {
  std::vector<ScheduleBlock> blocks{1};  // block 0 takes pairs before the first week line
  int pairCount = 0;                     // of the last block, once the whole file is read
};

// Each returns false when path pathNumber has no such file in the directory.
bool readRateTrack(const std::string& directory, int pathNumber, RateTrack& track);
bool readWeightRows(const std::string& directory, int pathNumber, WeightRows& weights);
bool readSchedule(const std::string& directory, int pathNumber, Schedule& schedule);

}  // namespace vk

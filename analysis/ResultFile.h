#pragma once
// A result file read back line by line in the result-line syntax. Every
// failure names the file and the line.
#include <string>
#include <vector>

#include "io/TextReader.h"

namespace vk {

// The fields of a rate line: week, simulated rate, actual rate, simulated
// change, actual change, traded volume. Field 0 of a weights line is its week too.
constexpr int kWeekField = 0;
constexpr int kSimulatedField = 1;
constexpr int kActualField = 2;
constexpr int kSimulatedChangeField = 3;
constexpr int kActualChangeField = 4;
constexpr int kVolumeField = 5;

class ResultFileReader {
 public:
  // Reads the whole file; one that cannot be read is a RunError.
  explicit ResultFileReader(const std::string& path);

  bool atEnd() const { return text_.atEnd(); }
  // Moves to the next line and splits it into fields. A file that has ended
  // is a RunError naming the missing line.
  const std::vector<std::string>& next();
  // Passes over lines without reading their fields; the file must hold them.
  void skip(int lines);

  // Fields of the line last read, converted with a message naming it.
  int intAt(int i) const;
  double realAt(int i) const;
  std::size_t fieldCount() const { return fields_.size(); }

  // Number of the line last read, from 1.
  int line() const { return line_; }
  const std::string& path() const { return text_.name(); }

 private:
  void requireLine() const;

  TextReader text_;
  std::vector<std::string> fields_;
  int line_ = 0;
};

// Refuses a line (the one last read) whose week, field 0, is not the week
// the reference path file has at that place: the file is left from another
// run, or damaged, and its values would be added to the wrong weeks.
void requireWeek(const ResultFileReader& file, int week);

// Refuses a file that goes on after the reference path file's last week, for
// the same reason; blank lines at the end are no weeks.
void requireEndAfter(ResultFileReader& file, int lastWeek);

}  // namespace vk

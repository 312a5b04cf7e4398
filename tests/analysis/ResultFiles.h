#pragma once
// Small result directories written by the tests: rate files and weight files
// with the layout the run writes, in a scratch directory.
#include <string>
#include <vector>

#include "io/TextFormat.h"
#include "tests/run/TempDir.h"

namespace vk::testing {

inline std::string quoted(const std::string& s) { return "\"" + s + "\""; }

// One rate line: week, simulated, actual, two changes, volume ("0" when the
// two rates agree, as in a training week).
inline std::string rateLine(int week, double simulated, double actual, double volume = 0.0) {
  const std::string v = simulated == actual ? "0" : fixed(volume, 8, 5);
  return quoted(plainInt(week)) + "," + quoted(fixed(simulated, 7, 5)) + "," + quoted(fixed(actual, 7, 5)) + "," +
         quoted("0.00000") + "," + quoted("0.00000") + "," + quoted(v) + "\n";
}

// A rate file of weeks first, first + 1, …: simulated[i] and actual[i].
inline std::string rateFile(int first, const std::vector<double>& simulated, const std::vector<double>& actual,
                            double volume = 0.0) {
  std::string text;
  for (std::size_t i = 0; i < simulated.size(); ++i)
    text += rateLine(first + static_cast<int>(i), simulated[i], actual[i], volume);
  return text;
}

// A weight line: the week, then per weight its mean and a deviation.
inline std::string weightLine(int week, const std::vector<double>& means) {
  std::string text = quoted(plainInt(week));
  for (double m : means) text += "," + quoted(fixed(m, 6, 4)) + "," + quoted("0.1000");
  return text + "\n";
}

}  // namespace vk::testing

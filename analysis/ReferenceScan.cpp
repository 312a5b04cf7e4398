#include "analysis/ReferenceScan.h"

#include "analysis/ResultDirectory.h"
#include "analysis/ResultFile.h"
#include "io/RunError.h"

namespace vk {

namespace {

ResultFileReader openReference(const std::string& path) {
  try {
    return ResultFileReader(path);
  } catch (const RunError& e) {
    throw RunError(std::string(e.what()) + ". The reference path file fixes the weeks of every summary.");
  }
}

}  // namespace

ReferenceScan scanReference(const std::string& directory) {
  ReferenceScan scan;
  ResultFileReader file = openReference(resultFilePath(directory, pathFileName(kRatePrefix, kReferencePath)));
  bool departed = false;
  do {
    file.next();
    const RateLine line{file.intAt(kWeekField), file.realAt(kSimulatedField), file.realAt(kActualField)};
    if (scan.lines.empty()) {
      scan.span.first = line.week;
    } else {
      const long long expected = scan.lines.back().week + 1LL;
      if (line.week != expected)
        throw RunError("Week " + std::to_string(line.week) + " where week " + std::to_string(expected) +
                       " was expected: a rate file holds one line per consecutive week (" + file.path() + ", line " +
                       std::to_string(file.line()) + ")");
      if (!departed && scan.departs(line)) {
        departed = true;
        scan.span.start = line.week - 1;
      }
    }
    scan.lines.push_back(line);
  } while (!file.atEnd());
  if (!departed)
    throw RunError("No line of '" + file.path() +
                   "' after the first has a simulated rate different from the actual one (lines 1 to " +
                   std::to_string(file.line()) + "), so the simulated weeks are unknown");
  scan.span.last = scan.lines.back().week;
  return scan;
}

}  // namespace vk

#include "calibration/SyntheticMarket.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <vector>

#include "analysis/ResultDirectory.h"
#include "analysis/ResultLine.h"
#include "io/AtomicFile.h"
#include "io/RunError.h"
#include "model/Limits.h"
#include "run/ParameterFile.h"

namespace vk {

namespace fs = std::filesystem;

int writeSyntheticMarket(const SyntheticMarketSource& source, const std::string& outFile) {
  std::error_code error;
  if (fs::equivalent(source.priceFile, outFile, error))
    throw RunError("the synthetic market's price file must be a new file, not the run's own '" + source.priceFile +
                   "'");
  const Parameters p = readParameterFile(source.paraFile);
  const int lastTraining = p.minyear + p.teachyear - 1;

  // Line n of the price file holds week n - 5: weeks up to the last training
  // week are kept as written.
  std::ifstream price(source.priceFile, std::ios::binary);
  if (!price) throwFileError("open file for reading", source.priceFile, errno);
  std::string text;
  std::string line;
  for (int week = kFirstWeek; week <= lastTraining; ++week) {
    if (!std::getline(price, line))
      throw RunError(source.priceFile + " ends before week " + std::to_string(week) + " (line " +
                     std::to_string(week - kFirstWeek + 1) + "), the run's training reaches week " +
                     std::to_string(lastTraining));
    text += line + "\n";
  }

  const std::string pathFile = resultFilePath(source.resultDir, pathFileName(kRatePrefix, source.path));
  std::ifstream path(pathFile, std::ios::binary);
  if (!path) throwFileError("open file for reading", pathFile, errno);
  int lineNumber = 0;
  int week = lastTraining + 1;
  while (week <= p.maxyear && std::getline(path, line)) {
    ++lineNumber;
    const std::vector<std::string> fields = splitResultLine(line);
    const int lineWeek = intField(fields, 0, pathFile, lineNumber);
    if (lineWeek < week) continue;
    if (lineWeek != week)
      throw RunError(pathFile + ", line " + std::to_string(lineNumber) + ": week " + std::to_string(lineWeek) +
                     " where week " + std::to_string(week) + " was expected");
    realField(fields, 1, pathFile, lineNumber);  // a number, checked before it is copied
    text += fields[1] + "\n";
    ++week;
  }
  if (week <= p.maxyear)
    throw RunError(pathFile + " ends before week " + std::to_string(week) + "; the run simulated up to week " +
                   std::to_string(p.maxyear));
  writeFileAtomically(outFile, text);
  return p.maxyear - lastTraining;
}

}  // namespace vk

#include "run/RunDriver.h"

#include <initializer_list>
#include <vector>

#include "io/OutputFile.h"
#include "io/ResultLock.h"
#include "io/RunError.h"
#include "io/TextFormat.h"
#include "io/TextReader.h"
#include "model/Display.h"
#include "model/PathLoop.h"
#include "model/RunState.h"
#include "model/Seed.h"
#include "run/InputFiles.h"
#include "run/ParameterFile.h"
#include "run/Report.h"
#include "run/ReportFile.h"

namespace vk {

namespace {

const char* const kParameterFile = "para.txt";
const char* const kWeightStructureFile = "wdata.txt";
const char* const kReplayListFile = "filename.txt";

std::string perPathName(const RunState& s, const char* prefix) {
  return checkedFileName(s.resultDir + prefix + s.pathTag + ".csv");
}

void setPath(RunState& s, int pathNumber) {
  s.pathNumber = pathNumber;
  s.pathTag = pathTagOf(pathNumber);
}

// The paths to replay and where, as filename.txt lists them. The whole list
// is read before any file is written, so a list that ends early changes
// nothing.
struct ReplayList {
  std::string resultDir;
  int snapshotInterval = 0;
  std::vector<int> paths;
};

ReplayList readReplayList(bool detail) {
  TextReader list = TextReader::open(kReplayListFile);
  ReplayList replay;
  replay.resultDir = list.readLineText();
  checkResultDirectoryName(replay.resultDir, "on line 1 of " + std::string(kReplayListFile));
  if (detail) {
    replay.snapshotInterval = readIntLine(list);
    if (replay.snapshotInterval < 1)
      refuseValue(std::string(kReplayListFile) + ", line 2", "snapshotInterval", plainInt(replay.snapshotInterval),
                  "at least 1; agent snapshots are written every snapshotInterval weeks");
  }
  const int countLine = list.line();
  const int count = readIntLine(list);
  // A negative count would replay nothing and report success.
  if (count < 0)
    refuseValue(std::string(kReplayListFile) + ", line " + plainInt(countLine), "the number of paths", plainInt(count),
                "at least 0; it counts the path numbers that follow");
  for (int i = 0; i < count; ++i) {
    // A number missing at the end would read as 0 and replay path 0 over its
    // stored result.
    if (!list.skipToNextValue())
      throw RunError(std::string(kReplayListFile) + ": line " + plainInt(countLine) + " announces " + plainInt(count) +
                     (count == 1 ? " path" : " paths") + ", but the file lists " + plainInt(i) +
                     "; no file was written");
    replay.paths.push_back(readIntLine(list));
  }
  return replay;
}

// Every name a path of the mode composes, refused before anything is created
// if one would be longer than a run supports.
void checkPathNames(const RunState& s, int pathNumber, std::initializer_list<const char*> prefixes) {
  const std::string tag = pathTagOf(pathNumber);
  for (const char* prefix : prefixes) checkedFileName(s.resultDir + prefix + tag + ".csv");
}

// A random-state file with fewer than its 56 values, or with anything else on
// their lines, is damaged (a full disk leaves such files) and would replay
// another course than the stored one.
void restoreRandomState(RunState& s, TextReader& in) {
  constexpr int kStateLines = 56;
  const auto fail = [&in](const std::string& why) {
    throw RunError(in.name() + ": " + why +
                   "; a random-state file holds the index and the 55 table values, one per "
                   "line. The file is damaged and cannot replay its path.");
  };
  double values[kStateLines];
  for (int i = 0; i < kStateLines; ++i) {
    if (in.atEnd()) fail("it ends after " + plainInt(i) + " of its " + plainInt(kStateLines) + " lines");
    const int line = in.line();
    const std::string text = in.readLineText();
    const std::size_t first = text.find_first_not_of(" \t\r");
    const std::size_t last = text.find_last_not_of(" \t\r");
    const std::string number = first == std::string::npos ? "" : text.substr(first, last - first + 1);
    const std::string where = "line " + plainInt(line);
    if (i == 0) {
      int index = 0;
      if (!parseInt(number, index)) fail(where + " holds " + quoted(text) + ", not the random index");
      if (index < 0 || index > 55)
        refuseValue(in.name() + ", " + where, "the random index", plainInt(index),
                    "0..55; it points into the random table");
      values[0] = index;
    } else {
      if (!parseReal(number, values[i])) fail(where + " holds " + quoted(text) + ", not one table value");
      if (!(values[i] >= 0 && values[i] < 1))
        fail(where + ": the table value " + quoted(number) + " is outside [0, 1)");
    }
  }
  if (!in.lastLineEnded()) fail("its last line is cut short");
  if (in.skipToNextValue()) fail("line " + plainInt(in.line()) + " follows its last value");
  s.rngIndex = static_cast<int>(values[0]);
  for (int i = 1; i < kStateLines; ++i) s.rngTable[i] = values[i];
}

void saveRandomState(RunState& s, OutputFile& file) {
  std::string text = plainInt(s.rngIndex) + "\n";
  for (int i = 1; i <= 55; ++i) text += randomTableEntry(s.rngTable[i]) + "\n";
  file.write(text);
  file.flush();
}

void createPathOutputs(RunState& s) {
  s.weightsFile.create(perPathName(s, "/w"));
  s.scheduleFile.create(perPathName(s, "/q"));
  s.frequencyFile.create(perPathName(s, "/f"));
}

void closePathOutputs(RunState& s) {
  s.weightsFile.close();
  s.frequencyFile.close();
  s.scheduleFile.close();
  s.rateFile.close();
}

void runWriteMode(RunState& s) {
  if (s.simtimes > 0) checkPathNames(s, s.simtimes - 1, {"/rnd", "/r"});
  ResultLock lock(s.resultDir, ResultLock::Use::Run);
  lock.markStarted(s.runMode, ResultLock::Paths::Renewed, {"rnd", "r"});
  s.evalFile.create(s.resultDir + "/" + kReportFileName);
  for (int path = 0; path < s.simtimes; ++path) {
    lock.markPath(path);
    setPath(s, path);
    OutputFile randomState;
    randomState.create(perPathName(s, "/rnd"));
    saveRandomState(s, randomState);
    runPath(s);
    writePathReport(s);
    s.rateFile.close();
    randomState.close();
  }
  s.evalFile.close();
  lock.markFinished();
}

void drawActualRate(RunState& s) {
  Display& display = *s.display;
  display.ClearActualSeries();
  for (int w = s.teachyear; w <= s.maxyear; ++w) display.AddActualPoint(w, s.actualRate[w]);
  display.RedrawRateChart();
  display.ClearSimulationSeries();
}

void runAllMode(RunState& s) {
  if (s.simtimes > 0) checkPathNames(s, s.simtimes - 1, {"/r", "/w", "/q", "/f"});
  ResultLock lock(s.resultDir, ResultLock::Use::Run);
  lock.markStarted(s.runMode, ResultLock::Paths::Renewed, {"r", "w", "q", "f"});
  s.evalFile.create(s.resultDir + "/" + kReportFileName);
  s.display->SetPathProgress(0);
  for (int path = 0; path < s.simtimes; ++path) {
    lock.markPath(path);
    drawActualRate(s);
    setPath(s, path);
    createPathOutputs(s);
    runPath(s);
    writePathReport(s);
    writeFrequencyTable(s);
    closePathOutputs(s);
    s.display->SetPathProgress(static_cast<int>(static_cast<double>(path + 1) / s.simtimes * 100));
  }
  s.evalFile.close();
  lock.markFinished();
}

// The largest week a snapshot file of the path can name.
void checkSnapshotName(const RunState& s, int pathNumber) {
  checkedFileName(s.resultDir + "/all" + plainInt(pathNumber) + ".dat." + plainInt(s.maxyear));
}

void runReplayMode(RunState& s, bool detail) {
  const ReplayList list = readReplayList(detail);
  s.resultDir = list.resultDir;
  s.snapshotInterval = list.snapshotInterval;
  s.simtimes = static_cast<int>(list.paths.size());
  for (int path : list.paths) {
    checkPathNames(s, path, {"/rnd", "/r", "/w", "/q", "/f"});
    if (detail) {
      checkPathNames(s, path, {"/fo."});
      checkSnapshotName(s, path);
    }
  }
  ResultLock lock(s.resultDir, ResultLock::Use::Run);
  std::vector<std::string> kinds = {"r", "w", "q", "f"};
  if (detail) kinds.push_back("fo.");
  lock.markStarted(s.runMode, ResultLock::Paths::Kept, kinds);
  for (int path : list.paths) {
    lock.markPath(path);
    setPath(s, path);
    TextReader randomState = TextReader::open(perPathName(s, "/rnd"));
    restoreRandomState(s, randomState);
    createPathOutputs(s);
    if (detail) s.forecastFile.create(perPathName(s, "/fo."));
    runPath(s);
    writeFrequencyTable(s);
    closePathOutputs(s);
    if (detail) s.forecastFile.close();
  }
  lock.markFinished();
}

// Modes "factor" and "frequency": the loading table is read for every path.
void runLoadingReplayMode(RunState& s, OutputFile& output, const char* prefix) {
  const ReplayList list = readReplayList(false);
  s.resultDir = list.resultDir;
  s.simtimes = static_cast<int>(list.paths.size());
  for (int path : list.paths) checkPathNames(s, path, {prefix, "/rnd", "/r"});
  checkedFileName(s.resultDir + kLoadingFileName);
  ResultLock lock(s.resultDir, ResultLock::Use::Run);
  lock.markStarted(s.runMode, ResultLock::Paths::Kept, {prefix + 1, "r"});
  for (int path : list.paths) {
    lock.markPath(path);
    setPath(s, path);
    output.create(perPathName(s, prefix));
    TextReader randomState = TextReader::open(perPathName(s, "/rnd"));
    restoreRandomState(s, randomState);
    readLoadingFile(s);
    runPath(s);
    s.rateFile.close();
    output.close();
  }
  lock.markFinished();
}

}  // namespace

bool RunSimulation(const std::string& resultDir, const std::string& priceFileName, const std::string& dataFileName,
                   Display& display) {
  return RunSimulation(resultDir, priceFileName, dataFileName, display, kRandomSeed);
}

bool RunSimulation(const std::string& resultDir, const std::string& priceFileName, const std::string& dataFileName,
                   Display& display, double generatorSeed) {
  std::unique_ptr<RunState> state = newRunState(display);
  RunState& s = *state;
  s.randomSeed = generatorSeed;
  s.resultDir = resultDir;
  s.priceFileName = priceFileName;

  TextReader data = TextReader::open(dataFileName);
  readWeightStructure(s, kWeightStructureFile);
  static_cast<Parameters&>(s) = readParameterFile(kParameterFile);
  checkParameterFile(s, kParameterFile);
  for (const std::string& warning : shareWarnings(s, kParameterFile)) display.Warn(warning);
  readDataFactors(s, data);
  initRun(s);
  readPriceFile(s);
  evaluateActual(s);

  bool matched = false;
  if (s.runMode == "read" || s.runMode == "detail") {
    matched = true;
    runReplayMode(s, s.runMode == "detail");
  }
  if (s.runMode == "factor") {
    matched = true;
    runLoadingReplayMode(s, s.scoreFile, "/sc");
  }
  if (s.runMode == "frequency") {
    matched = true;
    runLoadingReplayMode(s, s.countFile, "/frq");
  }
  if (s.runMode == "write") {
    matched = true;
    runWriteMode(s);
  }
  if (s.runMode == "all") {
    matched = true;
    runAllMode(s);
  }
  if (!matched) display.AppendLog("The run mode '" + s.runMode + "' is not recognised; no path was run.");
  display.AppendLog("Simulation end.");
  return matched;
}

}  // namespace vk

#include "run/RunDriver.h"

#include "io/OutputFile.h"
#include "io/TextFormat.h"
#include "io/TextReader.h"
#include "model/PathLoop.h"
#include "run/Display.h"
#include "run/InputFiles.h"
#include "run/Parameters.h"
#include "run/Report.h"
#include "run/RunState.h"

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

void saveRandomState(RunState& s, OutputFile& file) {
  std::string text = plainInt(s.rngIndex) + "\n";
  for (int i = 1; i <= 55; ++i) text += randomTableEntry(s.rngTable[i]) + "\n";
  file.write(text);
  file.flush();
}

void restoreRandomState(RunState& s, TextReader& in) {
  s.rngIndex = in.readInt();
  in.skipLine();
  for (int i = 1; i <= 55; ++i) {
    s.rngTable[i] = in.readReal();
    in.skipLine();
  }
  if (s.rngIndex < 0 || s.rngIndex > 55)
    refuseValue(in.name() + ", line 1", "the random index", plainInt(s.rngIndex),
                "0..55; it points into the random table");
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
  s.evalFile.create(s.resultDir + "/eval.txt");
  for (int path = 0; path < s.simtimes; ++path) {
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
}

void drawActualRate(RunState& s) {
  Display& display = *s.display;
  display.ClearActualSeries();
  for (int w = s.teachyear; w <= s.maxyear; ++w) display.AddActualPoint(w, s.actualRate[w]);
  display.RedrawRateChart();
  display.ClearSimulationSeries();
}

void runAllMode(RunState& s) {
  s.evalFile.create(s.resultDir + "/eval.txt");
  s.display->SetPathProgress(0);
  for (int path = 0; path < s.simtimes; ++path) {
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
}

void runReplayMode(RunState& s, bool detail) {
  TextReader list = TextReader::open(kReplayListFile);
  s.resultDir = list.readLineText();
  if (detail) {
    s.snapshotInterval = readIntLine(list);
    if (s.snapshotInterval < 1)
      refuseValue(std::string(kReplayListFile) + ", line 2", "snapshotInterval", plainInt(s.snapshotInterval),
                  "at least 1; agent snapshots are written every snapshotInterval weeks");
  }
  s.simtimes = readIntLine(list);
  for (int i = 0; i < s.simtimes; ++i) {
    setPath(s, readIntLine(list));
    TextReader randomState = TextReader::open(perPathName(s, "/rnd"));
    createPathOutputs(s);
    if (detail) s.forecastFile.create(perPathName(s, "/fo."));
    restoreRandomState(s, randomState);
    runPath(s);
    writeFrequencyTable(s);
    closePathOutputs(s);
    if (detail) s.forecastFile.close();
  }
}

// Modes "factor" and "frequency": the loading table is read for every path.
void runLoadingReplayMode(RunState& s, OutputFile& output, const char* prefix) {
  TextReader list = TextReader::open(kReplayListFile);
  s.resultDir = list.readLineText();
  s.simtimes = readIntLine(list);
  for (int i = 0; i < s.simtimes; ++i) {
    setPath(s, readIntLine(list));
    output.create(perPathName(s, prefix));
    TextReader randomState = TextReader::open(perPathName(s, "/rnd"));
    restoreRandomState(s, randomState);
    readLoadingFile(s);
    runPath(s);
    s.rateFile.close();
    output.close();
  }
}

}  // namespace

void RunSimulation(const std::string& resultDir, const std::string& priceFileName,
                   const std::string& dataFileName, Display& display) {
  std::unique_ptr<RunState> state = newRunState(display);
  RunState& s = *state;
  s.resultDir = resultDir;
  s.priceFileName = priceFileName;
  s.dataFileName = dataFileName;

  s.dataFile = TextReader::open(dataFileName);
  readWeightStructure(s, kWeightStructureFile);
  static_cast<Parameters&>(s) = readParameterFile(kParameterFile);
  checkParameterFile(s, kParameterFile);
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
}

}  // namespace vk

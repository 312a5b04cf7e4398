#pragma once
// The run state: one plain record per run, created filled with zeros when a
// run starts and discarded when it ends. The driver owns it; every routine of
// the model works on it and on nothing else.
#include <cstdint>
#include <memory>
#include <string>

#include "io/IndexedArray.h"
#include "io/OutputFile.h"
#include "model/Agent.h"
#include "model/Limits.h"
#include "model/Parameters.h"

namespace vk {

class Display;
struct ModelKernel;

using WeekSeries = IndexedArray<double, kFirstWeek, kLastWeek>;
using LevelCounts = IndexedArray<std::int32_t, -kMaxNdiv, kMaxNdiv>;
using AgentArray = IndexedArray<Agent, 1, kMaxPopsize>;

struct RunState : Parameters {
  // Names passed in, and the current path.
  std::string resultDir;
  std::string priceFileName;
  std::int32_t pathNumber;
  std::string pathTag;

  // Week series and histograms.
  WeekSeries actualRate;
  WeekSeries actualChange;
  WeekSeries simRate;
  WeekSeries simChange;
  LevelCounts actualHist;
  LevelCounts simHist;
  double actualStats[5];  // mean, std, skew, kurt, SR
  double simStats[5];

  // The data file's factors of week 0 and of weeks minyear..maxyear, as the
  // run read them before the first path.
  IndexedArray<IndexedArray<std::int32_t, 1, kDataFactorCount>, 0, kLastWeek> dataFactors;

  // The week's factor values and the weight structure.
  IndexedArray<std::int32_t, 1, kFactorCount> factorValue;
  std::int32_t nWeights;
  std::int32_t stage1Groups;
  IndexedArray<std::int32_t, 1, kMaxStage1Groups> stage1Size;
  IndexedArray<IndexedArray<std::int32_t, 1, kMaxGroupMembers>, 1, kMaxStage1Groups> stage1Factors;
  std::int32_t stage2Groups;
  IndexedArray<std::int32_t, 1, kMaxStage2Groups> stage2InnerCount;
  IndexedArray<std::int32_t, 1, kMaxStage2Groups> stage2FactorCount;
  IndexedArray<IndexedArray<std::int32_t, 1, kMaxGroupMembers>, 1, kMaxStage2Groups> stage2Members;

  // The factor-loading table of the modes "factor" and "frequency".
  std::int32_t loadingRows;
  std::int32_t loadingCols;
  IndexedArray<IndexedArray<double, 1, kMaxLoadingCols>, 0, kMaxLoadingRows> loadings;

  // The generator.
  std::int32_t rngIndex;
  IndexedArray<double, 1, 55> rngTable;
  double randomSeed;  // what initRun seeds the table with; the fixed seed unless a run asks for another

  // The path loop.
  std::int32_t week;
  std::int32_t trainPass;
  std::int32_t gapCount1, gapCount2;
  std::int32_t gapCount;
  double pcross, pmutation;
  std::int32_t snapshotInterval;

  // The agents and the genetic learning.
  AgentArray agents;
  AgentArray previousAgents;
  IndexedArray<std::int32_t, 1, kMaxPopsize> permutation;
  double sumFitness, minFitness;
  IndexedArray<double, 1, kMaxPopsize> wheelTotal;  // running totals of the wheel's weights, in pool order

  // The clearing schedules of the latest week.
  IndexedArray<double, 1, kMaxPopsize> orderSize;
  IndexedArray<std::int32_t, 1, kMaxPopsize> sortIndex;
  IndexedArray<double, -kMaxNdiv - 1, kMaxNdiv + 1> supply;
  IndexedArray<double, -kMaxNdiv - 1, kMaxNdiv + 1> demand;
  double volume;

  // Open files of the run and of the current path.
  OutputFile evalFile;
  OutputFile rateFile;       // "/r"
  OutputFile weightsFile;    // "/w"
  OutputFile scheduleFile;   // "/q"
  OutputFile frequencyFile;  // "/f"
  OutputFile forecastFile;   // "/fo."
  OutputFile scoreFile;      // "/sc"
  OutputFile countFile;      // "/frq"

  // Where the run shows its progress; never null.
  Display* display;

  // The version of the model's inner loops this run uses, chosen when it
  // starts; null means the scalar reference.
  const ModelKernel* kernel;
};

// A new run state, every number zero but the fixed random seed, every text
// empty, no file open.
std::unique_ptr<RunState> newRunState(Display& display);

}  // namespace vk

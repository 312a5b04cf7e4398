// The input readers of a run: para.txt, wdata.txt, the price file, the data
// file week by week and the factor-loading table, each from one piece of the
// input ("\n====\n" between pieces).
#include <cstdint>
#include <string>

#include "fuzz/FuzzFiles.h"
#include "io/RunError.h"
#include "io/TextReader.h"
#include "model/Display.h"
#include "model/RunState.h"
#include "run/InputFiles.h"
#include "run/ParameterFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vk;
  const std::vector<std::string> piece = fuzz::piecesOf(std::string(reinterpret_cast<const char*>(data), size), 5);
  NullDisplay display;
  std::unique_ptr<RunState> s = newRunState(display);
  fuzz::refusedOrDone([&] {
    TextReader para("para.txt", piece[0]);
    static_cast<Parameters&>(*s) = readParameters(para);
    checkParameterFile(*s, "para.txt");
  });
  fuzz::refusedOrDone([&] { readWeightStructure(*s, fuzz::writeScratchFile("wdata.txt", piece[1])); });
  // Small, valid weeks, so that the readers below get to run.
  s->minyear = 1 + (s->minyear & 7);
  s->maxyear = s->minyear + (s->maxyear & 15);
  s->teachyear = s->minyear + 2;
  s->trend1 = s->trend2 = s->trend3 = 1;
  if (s->nWeights < 1 || s->nWeights > 100) s->nWeights = 17;
  fuzz::refusedOrDone([&] {
    s->priceFileName = fuzz::writeScratchFile("price.txt", piece[2]);
    readPriceFile(*s);
  });
  fuzz::refusedOrDone([&] {
    TextReader data = TextReader::open(fuzz::writeScratchFile("data.txt", piece[3]));
    readDataFactors(*s, data);
  });
  fuzz::refusedOrDone([&] {
    s->resultDir = fuzz::scratchDirectory().string();
    fuzz::writeScratchFile("loading.dat.98", piece[4]);
    readLoadingFile(*s);
  });
  return 0;
}

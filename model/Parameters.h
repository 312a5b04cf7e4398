#pragma once
// The parameters of a run: the values para.txt holds, as the model reads
// them. How the file holds them and which values a run supports belong to the
// parameter file (run/ParameterFile.h).
#include <string>

namespace vk {

struct Parameters {
  double delta = 0;
  int ndiv = 0;
  double trend1 = 0, trend2 = 0, trend3 = 0;
  int popsize = 0;
  int minyear = 0;
  int maxyear = 0;
  int teachyear = 0;  // the length of training as the file holds it
  double pcross1 = 0, pmutation1 = 0, gap1 = 0;
  double pcross2 = 0, pmutation2 = 0, gap2 = 0;
  int simtimes = 0;
  int nsample = 0;
  std::string runMode;  // as para.txt's last line holds it, untrimmed
};

// The generation gap as a count of agents: popsize x gap truncated toward
// zero, plus one if that count is odd. A product above popsize counts as
// popsize + 1 and a negative or undefined one as -1, which no limit admits,
// so that no conversion overflows.
int gapCountOf(int popsize, double gap);

}  // namespace vk

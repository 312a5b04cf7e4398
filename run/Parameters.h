#pragma once
// The parameter file para.txt and the replay list filename.txt.
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
  std::string runMode;  // at most 30 characters, untrimmed
};

class TextReader;

// Reads the eighteen values; a value that is not a number of its kind is a
// RunError naming the file and line. Values past the end of the file read as
// 0 and the mode word as empty.
Parameters readParameters(TextReader& in);
Parameters readParameterFile(const std::string& path);

// The file as the parameter dialog writes it: reals as 10:5, integers plain,
// the mode word unchanged, one value per line.
std::string formatParameters(const Parameters& p);
void writeParameterFile(const std::string& path, const Parameters& p);

}  // namespace vk

#pragma once
// The parameter file para.txt and the replay list filename.txt.
#include <string>

namespace vk {

// The values of para.txt, one per line, the mode word last.
constexpr int kParameterCount = 18;

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
// The file as formatParameters writes it, with what followed each value on
// its line in the previous text (a comment naming the value, say) kept after
// the new value, and the lines after the mode word kept as they were.
std::string keepTextAfterValues(const std::string& formatted, const std::string& previous);

// Replaces the file; the text after each value in the file it replaces stays.
void writeParameterFile(const std::string& path, const Parameters& p);

}  // namespace vk

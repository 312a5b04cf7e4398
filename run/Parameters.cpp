#include "run/Parameters.h"

#include "io/Limits.h"
#include "io/OutputFile.h"
#include "io/TextFormat.h"
#include "io/TextReader.h"

namespace vk {

Parameters readParameters(TextReader& in) {
  Parameters p;
  p.delta = readRealLine(in);
  p.ndiv = readIntLine(in);
  p.trend1 = readRealLine(in);
  p.trend2 = readRealLine(in);
  p.trend3 = readRealLine(in);
  p.popsize = readIntLine(in);
  p.minyear = readIntLine(in);
  p.maxyear = readIntLine(in);
  p.teachyear = readIntLine(in);
  p.pcross1 = readRealLine(in);
  p.pmutation1 = readRealLine(in);
  p.gap1 = readRealLine(in);
  p.pcross2 = readRealLine(in);
  p.pmutation2 = readRealLine(in);
  p.gap2 = readRealLine(in);
  p.simtimes = readIntLine(in);
  p.nsample = readIntLine(in);
  p.runMode = in.readLineText(kModeWordLength);
  return p;
}

Parameters readParameterFile(const std::string& path) {
  TextReader in = TextReader::open(path);
  return readParameters(in);
}

std::string formatParameters(const Parameters& p) {
  std::string out;
  const auto real = [&out](double v) { out += fixed(v, 10, 5) + "\n"; };
  const auto whole = [&out](int v) { out += plainInt(v) + "\n"; };
  real(p.delta);
  whole(p.ndiv);
  real(p.trend1);
  real(p.trend2);
  real(p.trend3);
  whole(p.popsize);
  whole(p.minyear);
  whole(p.maxyear);
  whole(p.teachyear);
  real(p.pcross1);
  real(p.pmutation1);
  real(p.gap1);
  real(p.pcross2);
  real(p.pmutation2);
  real(p.gap2);
  whole(p.simtimes);
  whole(p.nsample);
  out += p.runMode + "\n";
  return out;
}

void writeParameterFile(const std::string& path, const Parameters& p) {
  OutputFile file;
  file.create(path);
  file.write(formatParameters(p));
  file.close();
}

}  // namespace vk

#include "run/Parameters.h"

#include "run/Limits.h"
#include "run/OutputFile.h"
#include "run/TextFormat.h"
#include "run/TextReader.h"

namespace vk {

namespace {

// Lines 1..17 hold one number each; anything after it on the line is a comment.
int intLine(TextReader& in) {
  const int v = in.readInt();
  in.skipLine();
  return v;
}

double realLine(TextReader& in) {
  const double v = in.readReal();
  in.skipLine();
  return v;
}

}  // namespace

Parameters readParameters(TextReader& in) {
  Parameters p;
  p.delta = realLine(in);
  p.ndiv = intLine(in);
  p.trend1 = realLine(in);
  p.trend2 = realLine(in);
  p.trend3 = realLine(in);
  p.popsize = intLine(in);
  p.minyear = intLine(in);
  p.maxyear = intLine(in);
  p.teachyear = intLine(in);
  p.pcross1 = realLine(in);
  p.pmutation1 = realLine(in);
  p.gap1 = realLine(in);
  p.pcross2 = realLine(in);
  p.pmutation2 = realLine(in);
  p.gap2 = realLine(in);
  p.simtimes = intLine(in);
  p.nsample = intLine(in);
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

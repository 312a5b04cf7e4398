#include "run/Parameters.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "io/Limits.h"
#include "io/OutputFile.h"
#include "io/RunError.h"
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

namespace {

bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// The rest of the line from pos, without its line break; pos moves to the
// start of the next line.
std::string restOfLine(const std::string& text, std::size_t& pos) {
  const std::size_t eol = std::min(text.find('\n', pos), text.size());
  std::size_t stop = eol;
  if (stop > pos && text[stop - 1] == '\r') --stop;
  std::string rest = text.substr(pos, stop - pos);
  pos = std::min(eol + 1, text.size());
  return rest;
}

std::string previousText(const std::string& path) {
  // Anything but a file in its place is left to the writer to report.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::string();
  std::ifstream in(path, std::ios::binary);
  if (!in) throwFileError("open file for reading", path, errno);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throwFileError("read file", path, errno);
  return text;
}

}  // namespace

std::string keepTextAfterValues(const std::string& formatted, const std::string& previous) {
  std::string out;
  std::size_t at = 0, was = 0;
  // The values are found as the reader finds them: past any blanks and
  // line breaks, one word; the rest of that line is the value's text.
  for (int value = 1; value < kParameterCount; ++value) {
    out += restOfLine(formatted, at);
    while (was < previous.size() && isBlank(previous[was])) ++was;
    while (was < previous.size() && !isBlank(previous[was])) ++was;
    out += restOfLine(previous, was) + "\n";
  }
  // The mode word is its whole line.
  out += restOfLine(formatted, at) + "\n";
  restOfLine(previous, was);
  return out + previous.substr(was);
}

void writeParameterFile(const std::string& path, const Parameters& p) {
  const std::string text = keepTextAfterValues(formatParameters(p), previousText(path));
  OutputFile file;
  file.create(path);
  file.write(text);
  file.close();
}

}  // namespace vk

#include "analysis/ResultFile.h"

#include "analysis/ResultLine.h"
#include "io/RunError.h"

namespace vk {

ResultFileReader::ResultFileReader(const std::string& path) : text_(TextReader::open(path)) {}

void ResultFileReader::requireLine() const {
  if (text_.atEnd())
    throw RunError("Unexpected end of file: '" + path() + "' has no line " + std::to_string(line_ + 1));
}

const std::vector<std::string>& ResultFileReader::next() {
  requireLine();
  splitResultLine(text_.readLineText(), fields_);
  ++line_;
  return fields_;
}

void ResultFileReader::skip(int lines) {
  for (int i = 0; i < lines; ++i) {
    requireLine();
    text_.skipLine();
    ++line_;
  }
  fields_.clear();
}

int ResultFileReader::intAt(int i) const { return intField(fields_, i, path(), line_); }

double ResultFileReader::realAt(int i) const { return realField(fields_, i, path(), line_); }

void requireWeek(const ResultFileReader& file, int week) {
  const int found = file.intAt(kWeekField);
  if (found != week)
    throw RunError("Week " + std::to_string(found) + " where the reference path file has week " + std::to_string(week) +
                   " (" + file.path() + ", line " + std::to_string(file.line()) +
                   "): the file is left from another run or damaged, and a summary reads every path file against "
                   "the weeks of the reference file");
}

void requireEndAfter(ResultFileReader& file, int lastWeek) {
  while (!file.atEnd()) {
    const std::vector<std::string>& fields = file.next();
    if (fields.empty()) continue;
    throw RunError("Week " + quoted(fields.front()) + " after week " + std::to_string(lastWeek) +
                   ", the reference path file's last (" + file.path() + ", line " + std::to_string(file.line()) +
                   "): the file is left from another run or damaged, and a summary reads every path file against "
                   "the weeks of the reference file");
  }
}

}  // namespace vk

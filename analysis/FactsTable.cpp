#include "analysis/FactsTable.h"

#include "io/CompressedFile.h"
#include "io/RunError.h"
#include "io/TextFormat.h"
#include "io/TextReader.h"

namespace vk {

namespace {

constexpr int kTableDigits = 10;

std::vector<std::string> commaFields(const std::string& line) {
  std::vector<std::string> fields;
  fields.reserve(kFactColumns + 2);
  std::size_t start = 0;
  for (std::size_t comma = line.find(','); comma != std::string::npos; comma = line.find(',', start)) {
    fields.emplace_back(line, start, comma - start);
    start = comma + 1;
  }
  fields.emplace_back(line, start);
  return fields;
}

std::string quotedShort(const std::string& text) { return "'" + text.substr(0, 40) + "'"; }

}  // namespace

std::string factsTableHeader() {
  std::string line = "series,path";
  for (int c = 0; c < kFactColumns; ++c) line += "," + factColumnName(c);
  return line + "\n";
}

std::string factsTableRow(const char* series, const std::string& path, const FactRow& row) {
  std::string line = std::string(series) + "," + path;
  for (const FactValue& v : row) {
    line += ",";
    if (v) line += significant(*v, kTableDigits);
  }
  return line + "\n";
}

FactsTableText readFactsTable(const std::string& file) {
  TextReader text = openPlainOrCompressed(file);
  // Made once: a collect reads the facts of every run of an experiment.
  static const std::string expectedHeader = factsTableHeader();
  const std::string header = text.readLineText();
  if (header + "\n" != expectedHeader)
    throw RunError(file + ", line 1: " + quotedShort(header) + " is not the header of a facts table");
  FactsTableText table;
  while (!text.atEnd()) {
    const int line = text.line();
    const auto where = [&] { return file + ", line " + std::to_string(line) + ": "; };
    std::vector<std::string> fields = commaFields(text.readLineText());
    if (fields.size() != static_cast<std::size_t>(kFactColumns) + 2)
      throw RunError(where() + std::to_string(fields.size()) + " fields where the header has " +
                     std::to_string(kFactColumns + 2));
    const std::string series = fields[0];
    const std::string path = fields[1];
    fields.erase(fields.begin(), fields.begin() + 2);
    if (series == kActualSeries) {
      table.actual = std::move(fields);
    } else if (series == kPathSeries) {
      int number = 0;
      if (!parseInt(path, number) || number < 0)
        throw RunError(where() + "path " + quotedShort(path) + " is no path number");
      table.paths[number] = std::move(fields);
    } else if (series != kMedianSeries && series != kP10Series && series != kP90Series) {
      throw RunError(where() + quotedShort(series) + " is no series of the facts table");
    }
  }
  return table;
}

}  // namespace vk

#pragma once
// facts.csv, the table of the facts summary: its columns, its rows as text
// and its reading back.
//
// A header line "series,path," and the fact columns; then the row "actual",
// one row "sim" per path in selection order with its number in "path", and
// the rows "sim_median", "sim_p10" and "sim_p90" over the paths where the
// value is defined. Numbers with 10 significant digits, an undefined value
// as an empty field.
#include <map>
#include <string>
#include <vector>

#include "analysis/StylizedFacts.h"

namespace vk {

constexpr const char* kActualSeries = "actual";
constexpr const char* kPathSeries = "sim";
constexpr const char* kMedianSeries = "sim_median";
constexpr const char* kP10Series = "sim_p10";
constexpr const char* kP90Series = "sim_p90";

// The header line, with its line end.
std::string factsTableHeader();
// One row with its line end; path is empty but for the "sim" rows.
std::string factsTableRow(const char* series, const std::string& path, const FactRow& row);

// facts.csv read back, each value as the table's text (empty: undefined),
// for tables that carry the facts beside other columns.
struct FactsTableText {
  std::vector<std::string> actual;
  std::map<int, std::vector<std::string>> paths;  // the "sim" rows by path
};

// A header other than the facts table's, a line with another number of
// fields, an unknown series or a path that is not a whole number is a
// RunError naming the file, the line and the text.
FactsTableText readFactsTable(const std::string& file);

}  // namespace vk

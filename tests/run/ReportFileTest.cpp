// eval.txt read back as a table: every value as the report wrote it, and no
// row from a report that was cut short.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "io/RunError.h"
#include "run/ReportFile.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

using testing::TempDir;

std::string goldenReport() {
  std::ifstream in(std::string(VELQUIN_TEST_DATA) + "/golden/write/eval.txt", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> splitAt(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i)
    if (i == text.size() || text[i] == separator) {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  return parts;
}

// The values lines of the report, found without the reader: the line after
// each header.
std::vector<std::string> valueFieldsAfter(const std::string& report, const std::string& headerStart) {
  std::vector<std::string> fields;
  const std::vector<std::string> lines = splitAt(report, '\n');
  for (std::size_t i = 0; i + 1 < lines.size(); ++i)
    if (lines[i].rfind(headerStart, 0) == 0)
      for (const std::string& f : splitAt(lines[i + 1], '\t'))
        if (!f.empty()) fields.push_back(f.substr(f.find_first_not_of(' ')));
  return fields;
}

TEST(ReportFile, EveryValueIsTheReportsTextInTheColumnsOrder) {
  TempDir dir;
  const std::string report = goldenReport();
  ASSERT_FALSE(report.empty());
  dir.write("eval.txt", report);
  const std::vector<PathReportRow> rows = readRunReport(dir.file("eval.txt"));
  ASSERT_EQ(rows.size(), 3u);
  const std::vector<std::string> errors = valueFieldsAfter(report, "me(sim)");
  const std::vector<std::string> statistics = valueFieldsAfter(report, "mean ");
  ASSERT_EQ(errors.size(), 18u);
  ASSERT_EQ(statistics.size(), 30u);
  for (int p = 0; p < 3; ++p) {
    EXPECT_EQ(rows[p].path, p);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(rows[p].values[i], errors[p * 6 + i]);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(rows[p].values[6 + i], statistics[p * 10 + i]);
    EXPECT_EQ(reportValue(rows[p], 0), std::stod(errors[p * 6]));
  }
  // The actual columns repeat; the simulated ones differ between paths.
  EXPECT_EQ(rows[0].values[7], rows[2].values[7]);
  EXPECT_NE(rows[0].values[6], rows[2].values[6]);

  const std::vector<std::string> lines = splitAt(reportTableText(rows), '\n');
  ASSERT_EQ(lines.size(), 5u);  // header, three rows, nothing after the last line end
  EXPECT_EQ(lines[0],
            "path,me_sim,me_rw,mae_sim,mae_rw,rmse_sim,rmse_rw,mean_sim,mean_actual,std_sim,std_actual,"
            "skew_sim,skew_actual,kurt_sim,kurt_actual,sr_sim,sr_actual");
  EXPECT_EQ(lines[2].substr(0, 2), "1,");
  EXPECT_EQ(splitAt(lines[2], ',').size(), 17u);
  EXPECT_EQ(lines[4], "");
}

TEST(ReportFile, UndefinedValuesAreEmptyFieldsAndInfinitiesNamed) {
  TempDir dir;
  std::string report = goldenReport();
  const std::size_t first = report.find('\n', report.find("me(sim)")) + 1;
  report.replace(first, 23, std::string(20, ' ') + "NAN");
  const std::size_t kurt = report.find('\n', report.find("mean ")) + 1 + 6 * 24;
  report.replace(kurt, 23, std::string(19, ' ') + "+INF");
  dir.write("eval.txt", report);
  const std::vector<PathReportRow> rows = readRunReport(dir.file("eval.txt"));
  EXPECT_EQ(rows[0].values[0], "");
  EXPECT_TRUE(std::isnan(reportValue(rows[0], 0)));
  EXPECT_EQ(rows[0].values[12], "Inf");
  EXPECT_EQ(reportValue(rows[0], 12), HUGE_VAL);
  EXPECT_EQ(reportRowFields(rows[0]).substr(0, 3), "0,,");
}

// A run killed while writing leaves any prefix of its report. Each is either
// refused or read as the complete path reports before the cut.
TEST(ReportFile, ACutReportGivesOnlyItsCompletePaths) {
  TempDir dir;
  const std::string report = goldenReport();
  dir.write("whole.txt", report);
  const std::vector<PathReportRow> whole = readRunReport(dir.file("whole.txt"));
  // Every line start, the bytes around it, and every fifth byte between.
  std::vector<std::size_t> cuts;
  for (std::size_t i = 0; i < report.size(); ++i)
    if (i % 5 == 0 || report[i] == '\n' || (i > 0 && report[i - 1] == '\n') || (i > 1 && report[i - 2] == '\n'))
      cuts.push_back(i);
  int accepted = 0;
  for (std::size_t cut : cuts) {
    dir.write("eval.txt", report.substr(0, cut));
    try {
      const std::vector<PathReportRow> rows = readRunReport(dir.file("eval.txt"));
      ++accepted;
      ASSERT_LT(rows.size(), whole.size()) << "cut at " << cut;
      ASSERT_TRUE(cut == 0 || report.compare(cut, 6, "No. = ") == 0) << "accepted a cut at " << cut;
      for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].values, whole[i].values);
    } catch (const RunError& e) {
      EXPECT_NE(std::string(e.what()).find("eval.txt"), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(accepted, 3);  // empty, and before the reports of paths 1 and 2
}

TEST(ReportFile, OtherFilesAreRefusedWithTheLine) {
  TempDir dir;
  for (const std::string& text : {std::string("No. = x\n"), std::string("hello\n"),
                                  goldenReport().replace(goldenReport().find("me(rw)"), 6, "me(RW)")}) {
    dir.write("eval.txt", text);
    EXPECT_THROW(readRunReport(dir.file("eval.txt")), RunError) << text.substr(0, 20);
  }
  EXPECT_THROW(readRunReport(dir.file("missing.txt")), RunError);
}

}  // namespace
}  // namespace vk

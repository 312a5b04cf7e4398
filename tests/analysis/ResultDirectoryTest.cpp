#include "analysis/ResultDirectory.h"

#include <dirent.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "analysis/ReferenceScan.h"
#include "io/RunError.h"
#include "tests/analysis/ResultFiles.h"

namespace vk {
namespace {

using testing::TempDir;

std::string errorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const RunError& e) {
    return e.what();
  }
  return "";
}

std::vector<std::string> directoryOrder(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
  return names;
}

TEST(ResultDirectory, ListsMatchingNamesIgnoringCaseInDirectoryOrder) {
  TempDir dir;
  for (const char* name : {"r0000.csv", "r0001.csv", "R0003.CSV", "w0001.csv", "r0002.txt", "xr0004.csv", "q0000.csv"})
    dir.write(name, "");
  std::filesystem::create_directory(dir.path() / "r9.csv");

  std::vector<std::string> expected;
  for (const std::string& name : directoryOrder(dir.path().string()))
    if (name != "w0001.csv" && name != "r0002.txt" && name != "xr0004.csv" && name != "q0000.csv")
      expected.push_back(name);
  EXPECT_EQ(listResultFiles(dir.path().string(), kRatePrefix), expected);
  EXPECT_EQ(expected.size(), 4u);
  EXPECT_EQ(listResultFiles(dir.path().string(), kWeightPrefix), std::vector<std::string>{"w0001.csv"});
  EXPECT_TRUE(listResultFiles(dir.file("missing"), kRatePrefix).empty());
}

TEST(ResultDirectory, SelectionTextIsTheStemWithoutThePrefixLetter) {
  EXPECT_EQ(selectionTextOf("r0007.csv", kRatePrefix), "0007");
  EXPECT_EQ(selectionTextOf("w0012.csv", kWeightPrefix), "0012");
  EXPECT_EQ(selectionTextOf("R0003.CSV", kRatePrefix), "0003");
  EXPECT_EQ(selectionTextOf("r12r.csv", kRatePrefix), "12");
  EXPECT_EQ(selectionTextOf("r0001.old.csv", kRatePrefix), "old");
  EXPECT_EQ(selectionTextOf("r 5.csv", kRatePrefix), "5");
  EXPECT_NE(errorOf([] { selectionTextOf("r0001", kRatePrefix); }), "");
}

TEST(ResultDirectory, SelectionFileListsCheckedEntriesAndReadsBack) {
  TempDir dir;
  const std::string d = dir.path().string();
  writeSelectionFile(d, {{"r0000.csv", true}, {"r0005.csv", false}, {"r0001.csv", true}, {"R0002.CSV", true}},
                     kRatePrefix);
  EXPECT_EQ(dir.read("statname.txt"), "3\n0000\n0001\n0002\n");
  SelectionReader reader(d);
  reader.begin();
  EXPECT_EQ(reader.count(), 3);
  EXPECT_EQ(reader.nextPath(), 0);
  EXPECT_EQ(reader.nextPath(), 1);
  EXPECT_EQ(reader.nextPath(), 2);

  writeSelectionFile(d, {{"r0000.csv", false}}, kRatePrefix);
  EXPECT_EQ(dir.read("statname.txt"), "0\n");
}

TEST(ResultDirectory, BadSelectionLinesNameFileAndLine) {
  TempDir dir;
  const std::string d = dir.path().string();
  writeSelectionFile(d, {{"r0000.csv", true}, {"r0001.old.csv", true}}, kRatePrefix);
  SelectionReader reader(d);
  reader.begin();
  EXPECT_EQ(reader.nextPath(), 0);
  EXPECT_EQ(errorOf([&] { reader.nextPath(); }),
            "'old' is not a valid integer value (" + dir.file("statname.txt") + ", line 3)");

  dir.write("statname.txt", "2\r\n0007\r\n");
  SelectionReader shortFile(d);
  shortFile.begin();
  EXPECT_EQ(shortFile.nextPath(), 7);
  EXPECT_EQ(errorOf([&] { shortFile.nextPath(); }), "Unexpected end of file: '" + dir.file("statname.txt") +
                                                        "' has no line 3; its first line announces more paths");

  dir.write("statname.txt", "-1\n");
  EXPECT_NE(errorOf([&] { SelectionReader(d).begin(); }), "");
  dir.write("statname.txt", "");
  EXPECT_EQ(errorOf([&] { SelectionReader(d).begin(); }),
            "Unexpected end of file: '" + dir.file("statname.txt") + "' has no line 1");
}

TEST(ReferenceScan, FindsFirstStartAndLastWeek) {
  TempDir dir;
  std::vector<double> sim(120, 4.5), act(120, 4.5);
  for (int i = 100; i < 120; ++i) sim[static_cast<std::size_t>(i)] = 4.6;  // line 101 = week 101 departs
  sim[110] = act[110];                                                     // an agreeing line later on changes nothing
  dir.write("r0000.csv", testing::rateFile(1, sim, act));
  const ReferenceScan scan = scanReference(dir.path().string());
  EXPECT_EQ(scan.span.first, 1);
  EXPECT_EQ(scan.span.start, 100);
  EXPECT_EQ(scan.span.last, 120);
  EXPECT_EQ(scan.lines.size(), 120u);
  EXPECT_DOUBLE_EQ(scan.lineOfWeek(101).simulated, 4.6);
}

TEST(ReferenceScan, RefusesMissingFlatOrBrokenFiles) {
  TempDir dir;
  const std::string d = dir.path().string();
  const std::string ref = dir.file("r0000.csv");
  EXPECT_EQ(errorOf([&] { scanReference(d); }),
            "Cannot open file for reading '" + ref +
                "': No such file or directory. The reference path file fixes the weeks of every summary.");

  dir.write("r0000.csv", testing::rateFile(5, {4.5, 4.5, 4.6}, {4.5, 4.5, 4.6}));
  EXPECT_EQ(errorOf([&] { scanReference(d); }),
            "No line of '" + ref +
                "' after the first has a simulated rate different from the actual one (lines 1 to 3), so the "
                "simulated weeks are unknown");
  // Only the first line differs: it is never a departure.
  dir.write("r0000.csv", testing::rateFile(5, {4.4, 4.5}, {4.5, 4.5}));
  EXPECT_NE(errorOf([&] { scanReference(d); }), "");

  dir.write("r0000.csv", testing::rateLine(5, 4.5, 4.5) + testing::rateLine(7, 4.6, 4.5));
  EXPECT_EQ(errorOf([&] { scanReference(d); }),
            "Week 7 where week 6 was expected: a rate file holds one line per consecutive week (" + ref + ", line 2)");

  dir.write("r0000.csv", testing::rateLine(5, 4.5, 4.5) + "\"6\",\"4.6x\",\"4.5\"\n");
  EXPECT_EQ(errorOf([&] { scanReference(d); }), "'4.6x' is not a valid floating point value (" + ref + ", line 2)");

  dir.write("r0000.csv", testing::rateLine(5, 4.5, 4.5) + "\"6\",\"4.6\"\n");
  EXPECT_EQ(errorOf([&] { scanReference(d); }), "Field 2 is missing: the line holds 2 fields (" + ref + ", line 2)");

  dir.write("r0000.csv", "");
  EXPECT_EQ(errorOf([&] { scanReference(d); }), "Unexpected end of file: '" + ref + "' has no line 1");
}

}  // namespace
}  // namespace vk

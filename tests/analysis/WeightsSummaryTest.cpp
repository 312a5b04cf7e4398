#include "analysis/WeightsSummary.h"

#include <gtest/gtest.h>

#include "analysis/ResultDirectory.h"
#include "io/RunError.h"
#include "tests/analysis/ResultFiles.h"

namespace vk {
namespace {

using testing::quoted;
using testing::rateFile;
using testing::TempDir;
using testing::weightLine;

// Weeks 55 to 58; the start week is 56.
class WeightsSummary : public ::testing::Test {
 protected:
  WeightsSummary() { dir.write("r0000.csv", rateFile(55, {4.5, 4.5, 4.6, 4.7}, {4.5, 4.5, 4.5, 4.5})); }

  void select(const std::vector<int>& paths) {
    std::vector<ResultFileEntry> entries;
    for (int k : paths) entries.push_back({pathFileName(kWeightPrefix, k), true});
    writeSelectionFile(dir.path().string(), entries, kWeightPrefix);
  }

  std::string summarise() {
    try {
      summariseWeights(dir.path().string(), series);
    } catch (const RunError& e) {
      return e.what();
    }
    return "";
  }

  TempDir dir;
  WeightsSeries series;
};

TEST_F(WeightsSummary, AveragesTheTwoPathExample) {
  const std::string other = weightLine(55, {0, 0}) + weightLine(56, {0, 0}) + weightLine(58, {0, 0});
  dir.write("w0001.csv", other + "\"57\",\"0.2000\",\"0.1000\",\"-0.5000\",\"0.3000\"\n");
  dir.write("w0002.csv", other + "\"57\",\"0.4000\",\"0.2000\",\"-0.1000\",\"0.1000\"\n");
  select({1, 2});
  ASSERT_EQ(summarise(), "");
  EXPECT_EQ(dir.read("weight.txt"),
            "# Number of path 2\n# Paths \"1\",\"2\",\n"
            "55\t\"0.00000\",\"0.00000\",\n"
            "56\t\"0.00000\",\"0.00000\",\n"
            "57\t\"0.30000\",\"-0.30000\",\n"
            "58\t\"0.00000\",\"0.00000\",\n");
  for (std::size_t j = 0; j < kPlottedWeights; ++j) {
    ASSERT_EQ(series.weights[j].size(), 3u);  // weeks 56 to 58
    EXPECT_EQ(series.weights[j][1].x, 57);
  }
  EXPECT_NEAR(series.weights[0][1].y, 0.3, 1e-12);
  EXPECT_NEAR(series.weights[1][1].y, -0.3, 1e-12);
  for (std::size_t j = 2; j < kPlottedWeights; ++j) EXPECT_EQ(series.weights[j][1].y, 0.0);
}

TEST_F(WeightsSummary, RowsFollowTheWeekOfEachLineAndAnyNumberOfWeights) {
  std::vector<double> many(31, 0.0);
  many[30] = 2.5;
  many[16] = -1.0;
  std::vector<double> zeros(31, 0.0);
  dir.write("w0004.csv", weightLine(58, many) + weightLine(55, many) + weightLine(57, zeros) + weightLine(56, many));
  select({4});
  ASSERT_EQ(summarise(), "");
  const std::string text = dir.read("weight.txt");
  // Every line carries 31 weights, so every data line does.
  EXPECT_NE(text.find("57\t\"0.00000\","), std::string::npos);
  EXPECT_NE(text.find("58\t\"0.00000\","), std::string::npos);
  EXPECT_NE(text.find(",\"2.50000\",\n56\t"), std::string::npos) << text;
  EXPECT_EQ(series.weights[16][2].y, -1.0);  // week 58
  EXPECT_EQ(series.weights[16][1].y, 0.0);   // week 57
}

TEST_F(WeightsSummary, NothingSelectedWritesWeeksWithoutValues) {
  select({});
  ASSERT_EQ(summarise(), "");
  EXPECT_EQ(dir.read("weight.txt"), "# Number of path 0\n# Paths \n55\t\n56\t\n57\t\n58\t\n");
  EXPECT_EQ(series.weights[0].size(), 3u);
}

TEST_F(WeightsSummary, BadWeightFilesNameFileAndLine) {
  dir.write("w0001.csv", weightLine(55, {1}) + weightLine(56, {1}) + weightLine(57, {1}));
  select({1});
  EXPECT_EQ(summarise(), "Unexpected end of file: '" + dir.file("w0001.csv") + "' has no line 4");
  EXPECT_FALSE(dir.exists("weight.txt"));

  dir.write("w0001.csv", weightLine(55, {1}) + weightLine(56, {1}) + weightLine(59, {1}) + weightLine(58, {1}));
  EXPECT_EQ(summarise(),
            "Week 59 lies outside the weeks 55 to 58 of the reference file (" + dir.file("w0001.csv") + ", line 3)");

  dir.write("w0001.csv", weightLine(55, {1}) + "\n" + weightLine(57, {1}) + weightLine(58, {1}));
  EXPECT_EQ(summarise(), "Field 0 is missing: the line holds 0 fields (" + dir.file("w0001.csv") + ", line 2)");

  dir.write("w0001.csv",
            weightLine(55, {1}) + quoted("56") + ",\"x\",\"0\"\n" + weightLine(57, {1}) + weightLine(58, {1}));
  EXPECT_EQ(summarise(), "'x' is not a valid floating point value (" + dir.file("w0001.csv") + ", line 2)");
}

TEST_F(WeightsSummary, LinesOfAnotherWidthAreRefused) {
  // A file cut inside its last line, as a full disk leaves it: read as two
  // weights, it would shrink every line of weight.txt to them.
  const std::string full = weightLine(55, {1, 2, 3}) + weightLine(56, {1, 2, 3}) + weightLine(57, {1, 2, 3});
  dir.write("w0001.csv", full + weightLine(58, {1, 2, 3}));
  dir.write("w0002.csv", full + weightLine(58, {1, 2, 3}).substr(0, 30) + "\n");
  select({1, 2});
  EXPECT_EQ(summarise(),
            "The line holds 4 fields, where the first line read holds 7: the week and 3 weights, each a "
            "mean and a deviation (" +
                dir.file("w0002.csv") + ", line 4); the file is cut short, damaged or of another weight structure");
  // A mean without its deviation.
  dir.write("w0002.csv", full + "\"58\",\"0.5\"\n");
  select({2});
  EXPECT_NE(summarise().find("The line holds 2 fields, where the first line read holds 7"), std::string::npos);
  dir.write("w0002.csv", "\"55\",\"0.5\"\n");
  EXPECT_NE(summarise().find("The line holds 2 fields, where a weights line holds the week and a mean"),
            std::string::npos);
}

}  // namespace
}  // namespace vk

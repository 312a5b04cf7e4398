// The facts summary over files: which weeks and fields it reads, the table
// it writes, the rows over the paths, and the pooled change distribution.
#include "analysis/FactsSummary.h"
#include "analysis/FactsTable.h"

#include <cmath>
#include <filesystem>

#include <gtest/gtest.h>

#include "analysis/ResultDirectory.h"
#include "io/RunError.h"
#include "tests/analysis/ResultFiles.h"

namespace vk {
namespace {

using testing::quoted;
using testing::TempDir;

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
    pieces.push_back(text.substr(start, end - start));
  pieces.push_back(text.substr(start));
  return pieces;
}

// Rows of the table, each split into its fields; the file ends with a line end.
std::vector<std::vector<std::string>> tableOf(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  EXPECT_EQ(text.back(), '\n');
  for (const std::string& line : split(text.substr(0, text.size() - 1), '\n')) rows.push_back(split(line, ','));
  return rows;
}

// Weeks 1 to 3 are training weeks (the start week is 3), weeks 4 to 15 are
// simulated: twelve changes per path.
constexpr int kFirstWeek = 1;
constexpr int kTrainingWeeks = 3;
constexpr int kSimulatedWeeks = 12;

const std::vector<double> kActual = {0.005, -0.01, 0.0, 0.015, 0.005, -0.005, 0.01, 0.0, -0.015, 0.02, 0.01, 0.005};

// A rate file whose training weeks carry the change 0.5 and the start week
// the change -0.5, so that a reader taking a week too many shows it.
std::string rateFile(const std::vector<double>& simulated, const std::vector<double>& volume,
                     const std::vector<double>& actual = kActual) {
  std::string text;
  for (int w = kFirstWeek; w <= kTrainingWeeks; ++w) {
    const std::string change = fixed(w == kTrainingWeeks ? -0.5 : 0.5, 7, 5);
    text += quoted(plainInt(w)) + "," + quoted("4.50000") + "," + quoted("4.50000") + "," + quoted(change) + "," +
            quoted(change) + "," + quoted("0") + "\n";
  }
  for (std::size_t i = 0; i < simulated.size(); ++i)
    text += quoted(plainInt(kTrainingWeeks + 1 + static_cast<int>(i))) + "," + quoted("4.60000") + "," +
            quoted("4.55000") + "," + quoted(fixed(simulated[i], 7, 5)) + "," + quoted(fixed(actual[i], 7, 5)) + "," +
            quoted(fixed(volume[i], 8, 5)) + "\n";
  return text;
}

class FactsSummary : public ::testing::Test {
 protected:
  FactsSummary() {
    const std::vector<double> volume = {0.1, 0.3, 0.0, 0.4, 0.1, 0.1, 0.2, 0.0, 0.3, 0.5, 0.2, 0.1};
    dir.write("r0000.csv",
              rateFile({0.01, -0.005, 0.0, 0.015, -0.02, 0.005, 0.005, -0.01, 0.03, -0.015, 0.0, 0.01}, volume));
    // A path that moves by the same step every week: no spread, so no shape.
    dir.write("r0001.csv", rateFile(std::vector<double>(kSimulatedWeeks, 0.005), volume));
    dir.write("r0002.csv",
              rateFile({-0.01, 0.005, -0.005, 0.0, -0.005, 0.01, -0.02, 0.005, -0.01, 0.0, 0.005, -0.02}, volume));
  }

  FactsSeries summarise(const std::vector<int>& paths, const std::string& csv = "") {
    std::vector<ResultFileEntry> entries;
    for (int k : paths) entries.push_back({pathFileName(kRatePrefix, k), true});
    writeSelectionFile(dir.path().string(), entries, kRatePrefix);
    FactsSeries series;
    summariseFacts(dir.path().string(), csv, series);
    return series;
  }

  TempDir dir;
};

TEST_F(FactsSummary, ReadsTheSimulatedWeeksOfEveryPath) {
  const FactsSeries s = summarise({0, 2, 1});
  EXPECT_EQ(s.paths, (std::vector<int>{0, 2, 1}));
  ASSERT_EQ(s.simulated.size(), 3u);
  // The actual row: the actual changes of the reference file's weeks 4 to 15.
  EXPECT_EQ(*s.actual[kFactN], kSimulatedWeeks);
  EXPECT_NEAR(*s.actual[kFactMean], 0.04 / 12, 1e-15);
  EXPECT_FALSE(s.actual[kFactVolumeAbsCorr]);
  EXPECT_NEAR(*s.simulated[1][kFactMean], -0.045 / 12, 1e-15);
  // Path 1 moves by one step every week.
  EXPECT_EQ(*s.simulated[2][kFactMean], 0.005);
  EXPECT_EQ(*s.simulated[2][kFactStd], 0.0);
  EXPECT_FALSE(s.simulated[2][kFactSkew]);
  // Path 0 with its volumes.
  const std::vector<double> volume = {0.1, 0.3, 0.0, 0.4, 0.1, 0.1, 0.2, 0.0, 0.3, 0.5, 0.2, 0.1};
  EXPECT_EQ(s.simulated[0],
            stylizedFacts({0.01, -0.005, 0.0, 0.015, -0.02, 0.005, 0.005, -0.01, 0.03, -0.015, 0.0, 0.01}, &volume));
}

TEST_F(FactsSummary, PercentileRowsRunOverThePathsWhereAValueIsDefined) {
  const FactsSeries s = summarise({0, 1, 2});
  // The means sort as path 2 < path 0 < path 1: the median is path 0's, and
  // p10 and p90 lie a fifth of the way into the outer gaps.
  const double low = *s.simulated[2][kFactMean], middle = *s.simulated[0][kFactMean], high = *s.simulated[1][kFactMean];
  ASSERT_LT(low, middle);
  ASSERT_LT(middle, high);
  EXPECT_EQ(*s.median[kFactMean], middle);
  EXPECT_DOUBLE_EQ(*s.p10[kFactMean], low + 0.2 * (middle - low));
  EXPECT_DOUBLE_EQ(*s.p90[kFactMean], middle + 0.8 * (high - middle));

  // Skew is undefined for the constant path 1: the rows run over the two others.
  const double a = *s.simulated[0][kFactSkew], b = *s.simulated[2][kFactSkew];
  EXPECT_DOUBLE_EQ(*s.median[kFactSkew], (a + b) / 2);
  EXPECT_DOUBLE_EQ(*s.p10[kFactSkew], std::min(a, b) + 0.1 * std::fabs(a - b));
  EXPECT_DOUBLE_EQ(*s.p90[kFactSkew], std::min(a, b) + 0.9 * std::fabs(a - b));
  // Twelve weeks make no block of 13 on any path.
  EXPECT_FALSE(s.median[kFactAgg13ExcessKurtosis]);
  EXPECT_FALSE(s.p90[kFactAgg13ExcessKurtosis]);
}

TEST_F(FactsSummary, WritesTheTableForPandasAndR) {
  summarise({0, 2, 1});
  const auto rows = tableOf(dir.read("facts.csv"));
  ASSERT_EQ(rows.size(), 8u);
  std::string header = "series,path";
  for (int c = 0; c < kFactColumns; ++c) header += "," + factColumnName(c);
  EXPECT_EQ(dir.read("facts.csv").substr(0, header.size() + 1), header + "\n");
  EXPECT_EQ(rows[0].size(), 47u);
  const std::vector<std::pair<std::string, std::string>> labels = {
      {"actual", ""}, {"sim", "0"}, {"sim", "2"}, {"sim", "1"}, {"sim_median", ""}, {"sim_p10", ""}, {"sim_p90", ""}};
  for (std::size_t r = 0; r < labels.size(); ++r) {
    ASSERT_EQ(rows[r + 1].size(), 47u) << r;
    EXPECT_EQ(rows[r + 1][0], labels[r].first);
    EXPECT_EQ(rows[r + 1][1], labels[r].second);
  }
  const auto column = [](const std::string& name) {
    return 2 + [&] {
      for (int c = 0; c < kFactColumns; ++c)
        if (factColumnName(c) == name) return c;
      return -100;
    }();
  };
  // Ten significant digits, whole numbers without a point, undefined empty.
  EXPECT_EQ(rows[1][column("n")], "12");
  EXPECT_EQ(rows[1][column("mean")], "0.003333333333");
  EXPECT_EQ(rows[1][column("volume_abs_corr")], "");
  EXPECT_EQ(rows[3][column("mean")], "-0.00375");
  EXPECT_EQ(rows[4][column("mean")], "0.005");
  EXPECT_EQ(rows[4][column("std")], "0");
  EXPECT_EQ(rows[4][column("skew")], "");
  EXPECT_EQ(rows[4][column("hill_k")], "2");
  EXPECT_NE(rows[2][column("volume_abs_corr")], "");
}

// Read back, each path's row is the table's own text; a table of another
// shape is refused with the file, the line and the text.
TEST_F(FactsSummary, TheTableReadsBackByPathAndRefusesOtherShapes) {
  summarise({0, 2, 1});
  const std::string file = dir.file("facts.csv");
  const FactsTableText table = readFactsTable(file);
  const auto rows = tableOf(dir.read("facts.csv"));
  EXPECT_EQ(table.actual, std::vector<std::string>(rows[1].begin() + 2, rows[1].end()));
  ASSERT_EQ(table.paths.size(), 3u);
  EXPECT_EQ(table.paths.at(2), std::vector<std::string>(rows[3].begin() + 2, rows[3].end()));

  const std::string text = dir.read("facts.csv");
  const auto refused = [&](std::string changed, const std::string& words) {
    dir.write("facts.csv", changed);
    try {
      readFactsTable(file);
      ADD_FAILURE() << "accepted: " << words;
    } catch (const RunError& e) {
      EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
    }
  };
  std::string other = text;
  refused(other.replace(0, 6, "serie"), "line 1: 'serie,path");
  other = text;
  refused(other.replace(other.find("\nsim,2,"), 7, "\nsim,x,"), "line 4: path 'x' is no path number");
  other = text;
  refused(other.replace(other.find("\nsim_p10,"), 8, "\nsim_p11"), "line 7: 'sim_p11' is no series");
  other = text;
  refused(other.replace(other.find(",\nsim,0,"), 1, ",,"), "line 2: 48 fields where the header has 47");
}

TEST_F(FactsSummary, WritesToTheFileGivenAndWithNoPathsGivesEmptyRows) {
  const std::string csv = dir.file("elsewhere.csv");
  const FactsSeries s = summarise({}, csv);
  EXPECT_FALSE(dir.exists("facts.csv"));
  const auto rows = tableOf(dir.read("elsewhere.csv"));
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[2][0], "sim_median");
  for (std::size_t c = 1; c < rows[2].size(); ++c) EXPECT_EQ(rows[2][c], "") << c;
  // The distribution holds the actual changes alone.
  for (double share : s.distribution.simulatedShare) EXPECT_EQ(share, 0.0);
  double actual = 0;
  for (double share : s.distribution.actualShare) actual += share;
  EXPECT_DOUBLE_EQ(actual, 1.0);
}

TEST_F(FactsSummary, AFileOutOfStepLeavesThePreviousTable) {
  dir.write("facts.csv", "the previous table\n");
  std::string text = dir.read("r0002.csv");
  const std::size_t at = text.find("\"9\",");
  text.replace(at, 4, "\"10\",");
  dir.write("r0002.csv", text);
  try {
    summarise({0, 2, 1});
    FAIL() << "accepted a file out of step";
  } catch (const RunError& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find("Week 10 where the reference path file has week 9"), std::string::npos) << what;
    EXPECT_NE(what.find("r0002.csv, line 9"), std::string::npos) << what;
  }
  EXPECT_EQ(dir.read("facts.csv"), "the previous table\n");

  // A path selected twice would count twice in the rows over the paths.
  dir.write("r0002.csv", rateFile({0.01, 0.0}, {0.1, 0.1}, {0.0, 0.0}));
  try {
    summarise({1, 1});
    FAIL() << "accepted a path twice";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("selected twice"), std::string::npos) << e.what();
  }
  // A path file that ends early.
  EXPECT_THROW(summarise({2}), RunError);
  // Without the reference file the weeks are unknown: nothing is written.
  std::filesystem::remove(dir.path() / "r0000.csv");
  std::filesystem::remove(dir.path() / "facts.csv");
  EXPECT_THROW(summarise({1}), RunError);
  EXPECT_FALSE(dir.exists("facts.csv"));
}

// At a run's end: the same facts as the summary of its paths, without the
// selection file or the table.
TEST_F(FactsSummary, ARunsFactsAreTheSummarysWithoutAFile) {
  const FactsSeries run = factsOfRun(dir.path().string(), 3);
  EXPECT_FALSE(dir.exists("facts.csv"));
  EXPECT_FALSE(dir.exists("statname.txt"));
  const FactsSeries summary = summarise({0, 1, 2});
  EXPECT_EQ(run.paths, summary.paths);
  EXPECT_EQ(run.actual, summary.actual);
  EXPECT_EQ(run.simulated, summary.simulated);
  EXPECT_EQ(run.median, summary.median);
  EXPECT_EQ(run.p90, summary.p90);
  EXPECT_THROW(factsOfRun(dir.path().string(), 4), RunError);  // r0003.csv is missing
}

TEST(FactGaps, TheFactsFurthestFromTheActualComeFirst) {
  FactsSeries s;
  const auto set = [&s](int column, double actual, double median, double p10, double p90) {
    s.actual[column] = actual;
    s.median[column] = median;
    s.p10[column] = p10;
    s.p90[column] = p90;
  };
  set(kFactN, 52, 52, 52, 52);                   // agreed on: left out
  set(kFactMean, 0.001, 0.0, -0.002, 0.002);     // half a half-range off
  set(kFactStd, 0.03, 0.01, 0.008, 0.012);       // ten half-ranges off
  set(kFactExcessKurtosis, 4.0, 1.0, 0.0, 2.0);  // three
  set(kFactLeverage, -0.2, 0.1, 0.1, 0.1);       // paths all agree on another value
  s.actual[kFactSkew] = 1.0;                     // undefined for the paths: left out
  s.actual[kFactAcfR] = 0.9;                     // no scalar fact
  s.median[kFactAcfR] = s.p10[kFactAcfR] = s.p90[kFactAcfR] = 0.0;
  const std::vector<FactGap> gaps = factsFurthestFromActual(s, 3);
  ASSERT_EQ(gaps.size(), 3u);
  EXPECT_EQ(gaps[0].column, kFactLeverage);
  EXPECT_TRUE(std::isinf(gaps[0].distance));
  EXPECT_EQ(gaps[1].column, kFactStd);
  EXPECT_NEAR(gaps[1].distance, 10.0, 1e-9);
  EXPECT_EQ(gaps[2].column, kFactExcessKurtosis);
  EXPECT_EQ(factsFurthestFromActual(s, 10).size(), 4u);
  EXPECT_EQ(factGapsText({gaps[1], gaps[2]}),
            "Facts furthest from the actual: Standard deviation 0.03 (paths' median 0.01, 10-90 % 0.008 to 0.012); "
            "Excess kurtosis 4 (paths' median 1, 10-90 % 0 to 2).");
  EXPECT_EQ(factGapsText({}), "No fact of the paths differs from the actual one.");
}

TEST(ChangeHistogram, BinsOnThePriceLadderShareOneAxis) {
  const ChangeHistogram h = changeHistogram({0.01, -0.005, 0.0, 0.015}, {0.004, -0.0126});
  EXPECT_DOUBLE_EQ(h.binWidth, 0.005);
  ASSERT_EQ(h.centres.size(), 7u);  // -0.015 to 0.015
  EXPECT_DOUBLE_EQ(h.centres.front(), -0.015);
  EXPECT_DOUBLE_EQ(h.centres.back(), 0.015);
  EXPECT_EQ(h.simulatedShare, (std::vector<double>{0, 0, 0.25, 0.25, 0, 0.25, 0.25}));
  EXPECT_EQ(h.actualShare, (std::vector<double>{0.5, 0, 0, 0, 0.5, 0, 0}));
}

TEST(ChangeHistogram, FallsBackToFortyBinsWhenTheLadderIsTooFine) {
  const ChangeHistogram h = changeHistogram({0.00001, 0.01, 0.01}, {-0.01});
  EXPECT_DOUBLE_EQ(h.binWidth, 0.02 / kFallbackHistogramBins);
  EXPECT_EQ(h.centres.size(), static_cast<std::size_t>(kFallbackHistogramBins + 1));
  double sim = 0, act = 0;
  for (std::size_t i = 0; i < h.centres.size(); ++i) sim += h.simulatedShare[i], act += h.actualShare[i];
  EXPECT_DOUBLE_EQ(sim, 1.0);
  EXPECT_DOUBLE_EQ(act, 1.0);
  EXPECT_DOUBLE_EQ(h.simulatedShare[20], 1.0 / 3);  // 0.00001 in the bin of 0

  EXPECT_TRUE(changeHistogram({}, {}).centres.empty());
  // No simulated change away from zero and no spread: one bin.
  const ChangeHistogram flat = changeHistogram({0.0, 0.0}, {0.0});
  EXPECT_EQ(flat.centres, std::vector<double>{0.0});
  EXPECT_EQ(flat.simulatedShare, std::vector<double>{1.0});
}

}  // namespace
}  // namespace vk

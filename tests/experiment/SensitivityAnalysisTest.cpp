// sweep sensitivity on experiments whose table is written by the test: the
// values reach the estimators point by point, partial designs and other
// designs are refused, and rows without a value are counted, never zero.
#include "experiment/SensitivityAnalysis.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "experiment/ExperimentRecord.h"
#include "experiment/Plan.h"
#include "experiment/VarianceShares.h"
#include "io/RunError.h"
#include "tests/experiment/ExperimentInputs.h"

namespace vk {
namespace {

using Metric = std::function<std::string(const std::vector<double>& unit, int path)>;

std::vector<std::vector<std::string>> csvLines(const std::string& text) {
  std::vector<std::vector<std::string>> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    std::vector<std::string> fields(1);
    for (std::size_t i = start; i < end; ++i)
      if (text[i] == ',')
        fields.emplace_back();
      else
        fields.back() += text[i];
    lines.push_back(fields);
  }
  return lines;
}

class Sensitivity : public ::testing::Test {
 protected:
  // An experiment of the design over pcross1 and gap1 with two seeds; its
  // table gives each run two paths with the metric's values.
  void experiment(const std::string& design, const Metric& metric, int failedRun = -1) {
    const std::string text =
        "inputs = \"in\"\n[vary]\npcross1 = { from = 0.2, to = 0.6 }\ngap1 = { from = 0.2, to = 0.5 }\n"
        "[replications]\nseeds = 2\n[design]\n" +
        design;
    const ExperimentPlan plan = makePlan(readDescription(inputs.description(text)));
    prepareExperimentFolder(plan, out(), true);
    writeExperimentRecord(plan, out(), "test", "velquin-cli sweep run sweep.toml --out out");
    const std::vector<std::vector<double>> units = designUnits(plan.description);
    std::string table = "run,seed,pcross1,gap1,path,rmse_sim,rmse_rw,status,message\n";
    for (const PlannedRun& run : plan.runs) {
      const std::string head = std::to_string(run.id) + "," + std::to_string(run.seed) + ",0.3,0.3,";
      if (run.id == failedRun) {
        table += head + ",,,failed,no\n";
        continue;
      }
      for (int path = 0; path < 2; ++path)
        table += head + std::to_string(path) + "," + metric(units[run.point], path) + ",1,done,\n";
    }
    inputs.dir.write("out/results.csv", table);
  }

  std::vector<std::vector<std::string>> indices(bool check = false) {
    SensitivitySettings settings;
    settings.metric = "rmse_ratio";
    settings.resamples = 200;
    settings.check = check;
    report = sensitivityOf(out(), settings);
    return csvLines(report.table);
  }

  std::string refusal() {
    try {
      indices();
    } catch (const RunError& e) {
      return e.what();
    }
    return "accepted";
  }

  std::string out() const { return inputs.dir.file("out"); }

  testing::ExperimentInputs inputs;
  SensitivityReport report;
};

// The paths of a run straddle the point's value, so its median is the value.
std::string around(double value, int path) { return std::to_string(value + (path == 0 ? -0.25 : 0.25)); }

TEST_F(Sensitivity, SaltelliIndicesComeFromEachPointsValue) {
  // Only pcross1 matters: gap1's indices are exactly zero.
  experiment("kind = \"saltelli\"\nsamples = 16\n",
             [](const std::vector<double>& u, int path) { return around(1 + 2 * u[0], path); });
  const auto table = indices(true);
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table[0],
            (std::vector<std::string>{"parameter", "S1", "S1_low", "S1_high", "ST", "ST_low", "ST_high", "S1_half",
                                      "S1_low_half", "S1_high_half", "ST_half", "ST_low_half", "ST_high_half"}));
  EXPECT_EQ(table[1][0], "pcross1");
  EXPECT_EQ(table[2], (std::vector<std::string>{"gap1", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0"}));
  EXPECT_NEAR(std::stod(table[1][4]), 1.0, 0.2);
  EXPECT_TRUE(report.notes.empty());
}

TEST_F(Sensitivity, MorrisEffectsArePerWholeRange) {
  experiment("kind = \"morris\"\ntrajectories = 8\nlevels = 4\nseed = 3\n",
             [](const std::vector<double>& u, int path) { return around(3 - 2 * u[1], path); });
  const auto table = indices();
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table[0], (std::vector<std::string>{"parameter", "mu", "mu_low", "mu_high", "mu_star", "mu_star_low",
                                                "mu_star_high", "sigma", "sigma_low", "sigma_high"}));
  EXPECT_EQ(table[1], (std::vector<std::string>{"pcross1", "0", "0", "0", "0", "0", "0", "0", "0", "0"}));
  EXPECT_EQ(table[2][1], "-2");
  EXPECT_EQ(table[2][4], "2");
}

TEST_F(Sensitivity, PartialDesignsOtherDesignsAndUnknownMetricsAreRefused) {
  experiment(
      "kind = \"saltelli\"\nsamples = 8\n", [](const std::vector<double>& u, int p) { return around(u[0], p); }, 7);
  EXPECT_NE(refusal().find("1 of the design's 32 points have no value, and no index is computed from a partial "
                           "design: point 3 (run 0007 is not done)"),
            std::string::npos)
      << refusal();

  experiment("kind = \"lhs\"\nsamples = 8\n", [](const std::vector<double>& u, int p) { return around(u[0], p); });
  EXPECT_NE(refusal().find("holds a lhs design; sensitivity indices need [design] kind = \"saltelli\" or \"morris\""),
            std::string::npos)
      << refusal();

  experiment("kind = \"saltelli\"\nsamples = 8\n", [](const std::vector<double>& u, int p) { return around(u[0], p); });
  SensitivitySettings settings;
  settings.metric = "rmse";
  try {
    sensitivityOf(out(), settings);
    ADD_FAILURE() << "an unknown metric was taken";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("'rmse' is not a metric of the results table; the metrics are me_sim, "),
              std::string::npos)
        << e.what();
    EXPECT_NE(std::string(e.what()).find("rmse_ratio"), std::string::npos);
  }
}

// A path without a value is left out and counted; a point whose runs have
// no value at all stops the indices; a constant metric leaves them empty.
TEST_F(Sensitivity, EmptyValuesAreCountedAndAConstantMetricHasNoIndices) {
  experiment("kind = \"saltelli\"\nsamples = 8\n", [](const std::vector<double>& u, int path) {
    return u[0] > 0.5 && path == 1 ? std::string() : std::to_string(1 + u[0]);
  });
  const auto table = indices();
  ASSERT_EQ(report.notes.size(), 1u);
  EXPECT_NE(report.notes[0].find(" path rows without a value of rmse_ratio left out"), std::string::npos)
      << report.notes[0];
  EXPECT_NE(table[1][1], "");

  experiment("kind = \"saltelli\"\nsamples = 8\n",
             [](const std::vector<double>& u, int) { return u[1] > 0.5 ? std::string() : std::string("1"); });
  EXPECT_NE(refusal().find("has no value of rmse_ratio"), std::string::npos) << refusal();

  experiment("kind = \"saltelli\"\nsamples = 8\n", [](const std::vector<double>&, int) { return std::string("2"); });
  EXPECT_EQ(indices()[1], (std::vector<std::string>{"pcross1", "", "", "", "", "", ""}));
  ASSERT_EQ(report.notes.size(), 1u);
  EXPECT_EQ(report.notes[0], "rmse_ratio is the same at every point: its indices are undefined and left empty");
  experiment("kind = \"morris\"\ntrajectories = 4\nlevels = 4\n",
             [](const std::vector<double>&, int) { return std::string("2"); });
  EXPECT_EQ(indices()[2], (std::vector<std::string>{"gap1", "", "", "", "", "", "", "", "", ""}));
}

// sweep variance reads the same table: paths within runs, seeds within
// points; --log refuses a value that has no log, naming its line.
TEST_F(Sensitivity, VarianceSharesComeFromTheTableWithRowsLeftOutCounted) {
  experiment(
      "kind = \"saltelli\"\nsamples = 8\n",
      [](const std::vector<double>& u, int path) {
        return u[0] > 0.7 && path == 1 ? std::string() : around(1 + 4 * u[0], path);
      },
      5);
  const VarianceReport report = varianceOf(out(), "rmse_ratio", false, 100);
  const auto table = csvLines(report.table);
  ASSERT_EQ(table.size(), 4u);
  EXPECT_EQ(table[0], (std::vector<std::string>{"level", "variance", "share", "share_low", "share_high"}));
  EXPECT_EQ(table[1][0], "point");
  EXPECT_EQ(table[3][0], "path");
  EXPECT_GT(std::stod(table[1][2]), 0.8);
  ASSERT_GE(report.notes.size(), 3u);
  EXPECT_NE(report.notes[0].find("without a value of rmse_ratio left out"), std::string::npos) << report.notes[0];
  EXPECT_EQ(report.notes[1], "1 run not done left out");

  experiment("kind = \"saltelli\"\nsamples = 8\n",
             [](const std::vector<double>& u, int path) { return around(u[0] - 0.5, path); });
  try {
    varianceOf(out(), "rmse_ratio", true, 100);
    ADD_FAILURE() << "a log of a value below zero was taken";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("results.csv, line "), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("--log needs a positive metric"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace vk

// The calibration description: what it may say, and every refusal naming
// the line and what is allowed, before anything runs.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "analysis/StylizedFacts.h"
#include "calibration/CalibrationDescription.h"
#include "io/RunError.h"
#include "tests/experiment/ExperimentInputs.h"

namespace vk {
namespace {

// The small inputs simulate weeks 73..90: 18 weeks.
const std::string kInputs = "inputs = \"in\"\nmode = \"write\"\n";
const std::string kMoments = "[moments]\nuse = [\"std\", \"acf_r_1\", \"acf_abs_1\"]\n";
const std::string kSearch = "[search]\nbudget = 60\nseed = 3\n";

class CalibrationDescriptionTest : public ::testing::Test {
 protected:
  CalibrationDescription read(const std::string& text) { return readCalibrationDescription(inputs.description(text)); }

  std::string refusal(const std::string& text) {
    try {
      read(text);
    } catch (const RunError& e) {
      return e.what();
    }
    ADD_FAILURE() << "accepted:\n" << text;
    return "";
  }

  testing::ExperimentInputs inputs;
};

TEST_F(CalibrationDescriptionTest, ReadsTheParametersInTheFilesOrder) {
  const CalibrationDescription c =
      read(kInputs +
           "[estimate]\n"
           "popsize = { from = 6, to = 20 }\n"
           "delta = { from = 0.002, to = 0.008 }\n" +
           kMoments + "weights = \"bootstrap\"\n[replications]\nseeds = [4, 9]\n" + kSearch + "tolerance = 0.01\n");
  ASSERT_EQ(c.estimate.size(), 2u);
  EXPECT_EQ(c.estimate[0].name, "popsize");
  EXPECT_TRUE(c.estimate[0].integer);
  EXPECT_EQ(c.estimate[1].name, "delta");
  EXPECT_FALSE(c.estimate[1].integer);
  EXPECT_DOUBLE_EQ(c.estimate[1].to, 0.008);
  EXPECT_EQ(c.moments, (std::vector<std::string>{"std", "acf_r_1", "acf_abs_1"}));
  EXPECT_EQ(c.momentColumns, (std::vector<int>{kFactStd, kFactAcfR, kFactAcfAbs}));
  EXPECT_EQ(c.weights, WeightKind::Bootstrap);
  EXPECT_EQ(c.seeds, (std::vector<ExperimentSeed>{4, 9}));
  EXPECT_EQ(c.budget, 60);
  EXPECT_EQ(c.searchSeed, 3u);
  EXPECT_DOUBLE_EQ(c.tolerance, 0.01);
  EXPECT_EQ(c.firstSimulatedWeek, 73);
  EXPECT_EQ(c.lastSimulatedWeek, 90);
  EXPECT_EQ(c.parameters.runMode, "write");
}

TEST_F(CalibrationDescriptionTest, RefusesUnknownNamesWithTheAllowedOnes) {
  const std::string estimate = "[estimate]\ndelta = { from = 0.002, to = 0.008 }\n";
  std::string m = refusal(kInputs + "[estimate]\ndelat = { from = 0.002, to = 0.008 }\n" + kMoments + kSearch);
  EXPECT_NE(m.find("line 4, column 1: unknown parameter 'delat' in [estimate]; the names are: delta, ndiv"),
            std::string::npos)
      << m;
  m = refusal(kInputs + estimate + "[moments]\nuse = [\"std\", \"acf_r_11\"]\n" + kSearch);
  EXPECT_NE(m.find("line 6, column 15: unknown moment 'acf_r_11'; the moments are: mean, std"), std::string::npos) << m;
  m = refusal(kInputs + estimate + kMoments + "weights = \"optimal\"\n" + kSearch);
  EXPECT_NE(m.find("weights 'optimal' is none of simulated, bootstrap, diagonal, identity"), std::string::npos) << m;
  m = refusal(kInputs + estimate + kMoments + "[search]\nbudget = 60\nmethod = \"de\"\n");
  EXPECT_NE(m.find("is not cmaes"), std::string::npos) << m;
}

TEST_F(CalibrationDescriptionTest, RefusesARangeBeyondTheParametersLimit) {
  std::string m = refusal(kInputs + "[estimate]\npopsize = { from = 10, to = 500 }\n" + kMoments + kSearch);
  EXPECT_NE(m.find("line 4, column 29: [estimate]: popsize = 500 is outside what a run supports (2..200"),
            std::string::npos)
      << m;
  m = refusal(kInputs + "[estimate]\ndelta = { from = -0.002, to = 0.008 }\n" + kMoments + kSearch);
  EXPECT_NE(m.find("delta must not be 0, and the range crosses it"), std::string::npos) << m;
  m = refusal(kInputs + "[estimate]\ndelta = { from = 0.008, to = 0.002 }\n" + kMoments + kSearch);
  EXPECT_NE(m.find("from must lie below to"), std::string::npos) << m;
  m = refusal(kInputs + "[estimate]\npopsize = { from = 6.5, to = 20 }\n" + kMoments + kSearch);
  EXPECT_NE(m.find("estimate.popsize.from must be a whole number"), std::string::npos) << m;
  m = refusal(kInputs + "[estimate]\npcross2 = { from = 0.5, to = 1.2 }\n" + kMoments + kSearch);
  EXPECT_NE(m.find("line 4, column 30: estimate.pcross2 = 1.20000 is a probability and must lie in 0..1"),
            std::string::npos)
      << m;
  m = refusal(kInputs + "[estimate]\npmutation1 = { from = -0.01, to = 0.05 }\n" + kMoments + kSearch);
  EXPECT_NE(m.find("estimate.pmutation1 = -0.01000 is a probability and must lie in 0..1"), std::string::npos) << m;
  EXPECT_EQ(read(kInputs + "[estimate]\npcross2 = { from = 0.0, to = 1.0 }\n" + kMoments + kSearch).estimate.size(),
            1u);
  m = refusal(kInputs + "[estimate]\nmaxyear = { from = 80, to = 90 }\n" + kMoments + kSearch);
  EXPECT_NE(m.find("maxyear sets the weeks or paths the moments are taken over"), std::string::npos) << m;
}

TEST_F(CalibrationDescriptionTest, RefusesAMomentTheSimulatedWeeksCannotGive) {
  const std::string m = refusal(kInputs + "[estimate]\ndelta = { from = 0.002, to = 0.008 }\n" +
                                "[moments]\nuse = [\"std\", \"agg13_excess_kurtosis\"]\n" + kSearch);
  EXPECT_NE(m.find("the moment agg13_excess_kurtosis needs more than the 18 simulated weeks (73..90)"),
            std::string::npos)
      << m;
}

TEST_F(CalibrationDescriptionTest, RefusesABudgetBelowOneGenerationPerSearch) {
  // Two parameters: generations of 4 + floor(3 ln 2) = 6 candidates.
  EXPECT_EQ(generationSize(2), 6);
  EXPECT_EQ(generationSize(3), 7);
  // One parameter's default of 4 is below what CMA-ES accepts.
  EXPECT_EQ(generationSize(1), 5);
  const std::string two = "[estimate]\ndelta = { from = 0.002, to = 0.008 }\ngap2 = { from = 0.1, to = 0.5 }\n";
  std::string m = refusal(kInputs + two + kMoments + "[search]\nbudget = 11\n");
  EXPECT_NE(m.find("budget = 11 is smaller than one generation for each of the two searches of simulated weights "
                   "(2 x 6 candidates for 2 parameters)"),
            std::string::npos)
      << m;
  EXPECT_EQ(read(kInputs + two + kMoments + "[search]\nbudget = 12\n").budget, 12);
  m = refusal(kInputs + two + kMoments + "weights = \"identity\"\n[search]\nbudget = 5\n");
  EXPECT_NE(m.find("budget = 5 is smaller than one generation (6 candidates"), std::string::npos) << m;
}

TEST_F(CalibrationDescriptionTest, RefusesTooFewPathsForASpread) {
  // One path per run, one seed.
  inputs.dir.write("in/para.txt",
                   "0.00435\n6\n0.01088\n0.02176\n0.01538\n12\n53\n90\n20\n"
                   "0.6\n0.02\n0.5\n0.3\n0.01\n0.25\n1\n2\nwrite\n");
  const std::string m = refusal(kInputs + "[estimate]\ndelta = { from = 0.002, to = 0.008 }\n" + kMoments + kSearch);
  EXPECT_NE(m.find("needs two simulated paths at least"), std::string::npos) << m;
}

}  // namespace
}  // namespace vk

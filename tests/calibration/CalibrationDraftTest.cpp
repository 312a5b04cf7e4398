// The calibration description's writer: what a form holds, written as TOML
// and read back equal by the command line's reader, a description read into
// the form written again byte for byte, typed text that must not reach the
// file as it is, and the lines of a hand-written file the form would not keep.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calibration/CalibrationDraft.h"
#include "io/RunError.h"
#include "tests/experiment/ExperimentInputs.h"

namespace vk {
namespace {

// The form's own layout: what it writes for this description.
const std::string kWritten =
    "inputs = \"in\"\n"
    "mode = \"write\"\n"
    "wdata = \"wdata-plain.txt\"\n"
    "\n[estimate]\n"
    "popsize = { from = 6, to = 20 }\n"
    "delta = { from = 0.002, to = 0.008 }\n"
    "\n[moments]\n"
    "use = [\"acf_abs_1\", \"std\"]\n"
    "weights = \"bootstrap\"\n"
    "\n[replications]\n"
    "seeds = [4, 9]\n"
    "\n[search]\n"
    "method = \"cmaes\"\n"
    "budget = 60\n"
    "seed = 3\n"
    "tolerance = 0.01\n";

class CalibrationDraftTest : public ::testing::Test {
 protected:
  std::string folder() const { return inputs.dir.path().string(); }

  CalibrationDescription written(const CalibrationDraft& draft) {
    return readCalibrationDescription(inputs.description(calibrationText(draft, folder())));
  }

  std::string refusal(const CalibrationDraft& draft) {
    try {
      calibrationText(draft, folder());
    } catch (const RunError& e) {
      return e.what();
    }
    ADD_FAILURE() << "written";
    return "";
  }

  CalibrationDraft draft() const {
    CalibrationDraft d;
    d.inputs = inputs.dir.file("in");
    d.estimate = {{"delta", "0.003", "0.006"}};
    d.moments = {"std", "acf_abs_1"};
    d.budget = "20";
    return d;
  }

  testing::ExperimentInputs inputs;
};

TEST_F(CalibrationDraftTest, AFormsDescriptionReadsBackEqual) {
  CalibrationDraft d = draft();
  d.estimate = {{"gap2", " 0.1", "0.4 "}, {"popsize", "6", "20"}};
  d.moments = {"excess_kurtosis", "std"};
  d.weights = WeightKind::Diagonal;
  d.seeds = "3";
  d.searchSeed = "7";
  d.price = inputs.dir.file("in/price.txt");
  const CalibrationDescription c = written(d);
  ASSERT_EQ(c.estimate.size(), 2u);
  EXPECT_EQ(c.estimate[0].name, "gap2");
  EXPECT_EQ(c.estimate[0].from, 0.1);
  EXPECT_EQ(c.estimate[0].to, 0.4);
  EXPECT_EQ(c.estimate[1].name, "popsize");
  EXPECT_TRUE(c.estimate[1].integer);
  EXPECT_EQ(c.moments, (std::vector<std::string>{"excess_kurtosis", "std"}));
  EXPECT_EQ(c.weights, WeightKind::Diagonal);
  EXPECT_EQ(c.seeds, (std::vector<ExperimentSeed>{0, 1, 2}));
  EXPECT_EQ(c.budget, 20);
  EXPECT_EQ(c.searchSeed, 7u);
  EXPECT_FALSE(c.toleranceGiven);
  // Mode empty: para.txt's; the price file named is the folder's own.
  EXPECT_EQ(c.mode, "");
  EXPECT_EQ(c.parameters.runMode, "write");
  EXPECT_EQ(c.market.price, inputs.dir.file("in/price.txt"));
  const std::string text = inputs.dir.read("sweep.toml");
  EXPECT_NE(text.find("inputs = \"in\"\nprice = \"price.txt\"\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("tolerance"), std::string::npos) << text;
}

TEST_F(CalibrationDraftTest, ADescriptionReadIntoTheFormIsWrittenByteForByte) {
  const CalibrationDescription first = readCalibrationDescription(inputs.description(kWritten));
  const CalibrationDraft d = calibrationDraftOf(first);
  EXPECT_EQ(d.inputs, inputs.dir.file("in"));
  EXPECT_EQ(d.wdata, "wdata-plain.txt");
  EXPECT_EQ(d.price, "");
  EXPECT_EQ(d.seeds, "4, 9");
  EXPECT_EQ(d.tolerance, "0.01");
  EXPECT_EQ(calibrationText(d, folder()), kWritten);
  EXPECT_TRUE(linesNotKept(kWritten, calibrationText(d, folder())).empty());
  const CalibrationDescription again = written(d);
  EXPECT_EQ(again.wdata, first.wdata);
  EXPECT_EQ(again.moments, first.moments);
  EXPECT_EQ(again.estimate[1].to, first.estimate[1].to);
}

TEST_F(CalibrationDraftTest, TypedTextNeverReachesTheFileRaw) {
  CalibrationDraft d = draft();
  d.estimate = {{"delta", "0.003", "0.006 }\n[search]\nbudget = 1"}};
  EXPECT_NE(refusal(d).find("estimate.delta.to: '0.006 }"), std::string::npos) << refusal(d);
  d.estimate = {{"delta", "", "0.006"}};
  EXPECT_NE(refusal(d).find("estimate.delta.from: '' is not a number"), std::string::npos) << refusal(d);
  d.estimate = {{"del ta", "0.003", "0.006"}};
  EXPECT_NE(refusal(d).find("no parameter name"), std::string::npos) << refusal(d);
  d.estimate = {};
  EXPECT_NE(refusal(d).find("[estimate]: choose a parameter"), std::string::npos) << refusal(d);
  d = draft();
  d.moments = {"std\", \"x"};
  EXPECT_NE(refusal(d).find("no moment name"), std::string::npos) << refusal(d);
  d.moments = {};
  EXPECT_NE(refusal(d).find("[moments]: choose a moment"), std::string::npos) << refusal(d);
  d = draft();
  d.budget = "1e3";
  EXPECT_NE(refusal(d).find("search.budget: '1e3' is not a whole number"), std::string::npos) << refusal(d);
  d.budget = "20";
  d.searchSeed = "-1";
  EXPECT_NE(refusal(d).find("search.seed"), std::string::npos) << refusal(d);
  d.searchSeed = "1";
  d.tolerance = "small";
  EXPECT_NE(refusal(d).find("search.tolerance: 'small' is not a number"), std::string::npos) << refusal(d);
  d.tolerance = "";
  d.seeds = "2, x";
  EXPECT_NE(refusal(d).find("'x' is not a whole number"), std::string::npos) << refusal(d);
}

// What the form writes is still judged by the reader: a range beyond the
// parameter's limits is refused naming its line.
TEST_F(CalibrationDraftTest, TheReaderJudgesWhatTheFormWrote) {
  CalibrationDraft d = draft();
  d.estimate = {{"popsize", "10", "500"}};
  try {
    written(d);
    FAIL() << "a popsize of 500 was taken";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("line 4, column 29: [estimate]: popsize = 500"), std::string::npos)
        << e.what();
  }
}

TEST_F(CalibrationDraftTest, TheLinesTheFormWouldNotKeepAreNamed) {
  std::string text = kWritten;
  text.insert(0, "# the pilot study\n");
  text.replace(text.find("budget = 60"), 11, "budget   = 60  # a minute");
  text.replace(text.find("from = 0.002"), 12, "from = 2e-3");
  const CalibrationDescription c = readCalibrationDescription(inputs.description(text));
  const auto lost = linesNotKept(text, calibrationText(calibrationDraftOf(c), folder()));
  ASSERT_EQ(lost.size(), 3u);
  EXPECT_EQ(lost[0], (std::pair<int, std::string>{1, "# the pilot study"}));
  EXPECT_EQ(lost[1].first, 8);
  EXPECT_EQ(lost[2], (std::pair<int, std::string>{19, "budget   = 60  # a minute"}));
}

}  // namespace
}  // namespace vk

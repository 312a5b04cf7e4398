// The description reader and the plan's checks: what a description may say,
// and every refusal naming the line, the column and what is allowed.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "experiment/Description.h"
#include "experiment/ExperimentRecord.h"
#include "experiment/Plan.h"
#include "io/RunError.h"
#include "run/ParameterFile.h"
#include "tests/experiment/ExperimentInputs.h"

namespace vk {
namespace {

class DescriptionTest : public ::testing::Test {
 protected:
  ExperimentPlan plan(const std::string& text) { return makePlan(readDescription(inputs.description(text))); }

  // The message of the refusal; empty (and a failure) when it was accepted.
  std::string refusal(const std::string& text) {
    try {
      plan(text);
    } catch (const RunError& e) {
      return e.what();
    }
    ADD_FAILURE() << "accepted:\n" << text;
    return "";
  }

  testing::ExperimentInputs inputs;
};

TEST_F(DescriptionTest, ReadsTheExampleWithColumnsInTheFilesOrder) {
  const ExperimentPlan p = plan(
      "inputs = \"in\"   # the working directory\n"
      "mode = \"write\"\n"
      "[vary]\n"
      "popsize = [10, 12]\n"
      "delta = { from = 0.003, to = 0.006, steps = 4 }\n"
      "wdata = [\"wdata.txt\", \"wdata-plain.txt\"]\n"
      "[replications]\n"
      "seeds = 3\n"
      "[design]\n"
      "kind = \"grid\"\n");
  EXPECT_EQ(p.columns, (std::vector<std::string>{"popsize", "delta", "wdata"}));
  ASSERT_EQ(p.points.size(), 2u * 5u * 2u);
  ASSERT_EQ(p.runs.size(), 60u);
  // The first entry turns slowest, the seeds fastest.
  EXPECT_EQ(p.points[0], (DesignPoint{"10", "0.00300", "wdata.txt"}));
  EXPECT_EQ(p.points[1], (DesignPoint{"10", "0.00300", "wdata-plain.txt"}));
  EXPECT_EQ(p.points[2], (DesignPoint{"10", "0.00375", "wdata.txt"}));
  EXPECT_EQ(p.points[19], (DesignPoint{"12", "0.00600", "wdata-plain.txt"}));
  EXPECT_EQ(p.runs[4].name, "0004");
  EXPECT_EQ(p.runs[4].seed, 1u);
  EXPECT_EQ(p.runs[4].point, 1);
  EXPECT_EQ(p.runs[4].wdata, inputs.dir.file("in/wdata-plain.txt"));
  EXPECT_EQ(p.runs[0].parameterText.substr(0, 11), "   0.00300\n");
  EXPECT_NE(p.runs[59].parameterText.find("\n12\n"), std::string::npos);
  EXPECT_EQ(p.runs[0].simtimes, 3);
  EXPECT_EQ(p.fingerprint.size(), 64u);
}

TEST_F(DescriptionTest, SeedsListsMarketsAndTheInputsOwnRun) {
  inputs.dir.write("in/price2.txt", testing::readWholeFile(inputs.dir.file("in/price.txt")));
  const ExperimentPlan p = plan(
      "inputs = \"in\"\n"
      "[vary]\n"
      "market = [{ price = \"price.txt\", data = \"data.txt\", name = \"demo\" },\n"
      "          { price = \"price2.txt\", data = \"data.txt\" }]\n"
      "[replications]\nseeds = [7, 0]\n");
  ASSERT_EQ(p.runs.size(), 4u);
  EXPECT_EQ(p.points[1], (DesignPoint{"price2.txt"}));
  EXPECT_EQ(p.runs[0].seed, 7u);
  EXPECT_EQ(p.runs[1].seed, 0u);
  EXPECT_EQ(p.runs[2].price, inputs.dir.file("in/price2.txt"));
  // With nothing varied the plan is the inputs' own run, seed 0.
  const ExperimentPlan single = plan("inputs = \"in\"\n");
  ASSERT_EQ(single.runs.size(), 1u);
  EXPECT_EQ(single.runs[0].seed, 0u);
  EXPECT_EQ(single.runs[0].parameterText, formatParameters(readParameterFile(inputs.dir.file("in/para.txt"))));
}

TEST_F(DescriptionTest, RefusesWithTheLineColumnAndWhatIsAllowed) {
  struct Case {
    std::string text;
    std::vector<std::string> expected;
  };
  const std::string head = "inputs = \"in\"\n[vary]\n";
  const std::vector<Case> cases = {
      {head + "popsiz = [10]\n", {"line 3, column 1", "unknown name 'popsiz'", "popsize", "nsample", "market"}},
      {head + "popsize = [10, 12.5]\n", {"line 3, column 16", "whole number", "real number"}},
      {head + "delta = [\"0.1\"]\n", {"line 3, column 10", "must be a number, not a text"}},
      {head + "popsize = 10\n", {"line 3, column 11", "a list [..] or a range"}},
      {head + "delta = { from = 0.1, to = 0.2, steps = 0 }\n", {"line 3, column 41", "steps = 0", "1.."}},
      {head + "delta = { from = 0.1, to = 0.2 }\n", {"line 3, column 1", "needs steps"}},
      {head + "popsize = [20, 12, 20]\n", {"line 3, column 20", "popsize lists 20 twice"}},
      {head + "pcross1 = [0.5, 1.5]\n", {"line 3, column 17", "pcross1 = 1.5 is a probability", "0..1"}},
      {head + "gap2 = { from = -0.1, to = 0.5, steps = 2 }\n", {"line 3, column 17", "gap2.from = -0.1"}},
      {head + "simtimes = [-1]\n", {"simtimes = -1", "at least 0"}},
      {head + "popsize = { from = 2, to = 3000000000 }\n[design]\nkind = \"lhs\"\nsamples = 4\n",
       {"line 3, column 28", "popsize.to = 3000000000", "-2147483648..2147483647"}},
      {head + "delta = { from = 0.1, upto = 0.2, steps = 2 }\n", {"unknown name 'upto'", "from, steps, to"}},
      {head + "popsize = [10, 500]\n", {"line 3, column 1", "popsize = 500", "2..200"}},
      {head + "ndiv = [41]\n", {"ndiv = 41", "0..40"}},
      {head + "gap1 = [0.5, 1.5]\n", {"line 3, column 14", "gap1 = 1.5 is a probability"}},
      {head + "maxyear = [90, 400]\n", {"maxyear = 400", "price file", "holds weeks up to"}},
      {head + "delta = [0.0000045]\n", {"line 3, column 10", "five decimals"}},
      {head + "wdata = [\"wdata.txt\", \"nowhere.txt\"]\n", {"line 3, column 23", "nowhere.txt", "does not exist"}},
      {head + "wdata = [\"wdata.txt\\u0000x\"]\n", {"line 3, column 10", "holds a NUL character"}},
      {head + "market = [{ price = \"gone.txt\", data = \"data.txt\" }]\n", {"gone.txt", "does not exist"}},
      {head + "market = [{ price = \"price.txt\" }]\n", {"names its price and its data file"}},
      {head + "popsize = [10, 12]\n[design]\nkind = \"lhs\"\nsamples = 4\n", {"line 3", "ranges only"}},
      {head + "popsize = { from = 2, to = 12 }\n[design]\nkind = \"sobol\"\n", {"line 4", "samples = N"}},
      {head + "popsize = { from = 2, to = 4, steps = 3 }\n", {"line 3", "2.666666667 and 3.333333333", "become 3"}},
      {head + "delta = { from = 0.004, to = 0.00401, steps = 4 }\n",
       {"line 3", "0.004 and 0.0040025", "both become 0.00400"}},
      {"inputs = \"in\"\nmode = \"read\"\n", {"line 2, column 8", "mode 'read'", "write and all"}},
      {"inputs = \"nowhere\"\n", {"line 1, column 10", "does not exist"}},
      {"inputs = \"in\"\ncolour = 3\n", {"line 2, column 1", "unknown name 'colour'", "replications"}},
      {"inputs = \"in\"\n[replications]\nseeds = 0\n", {"line 3, column 9", "seeds = 0", "1.."}},
      {"inputs = \"in\"\n[replications]\nseeds = [1, -2]\n", {"line 3, column 13", "negative"}},
      {"inputs = \"in\"\n[replications]\nseeds = [3, 3]\n", {"listed twice"}},
      {"inputs = \"in\"\n[vary\n", {"line 2"}},
      {"inputs = \"in\"\n[output]\nkeep = \"paths\"\n", {"line 3, column 8", "'paths'", "all", "summaries"}},
      {"inputs = \"in\"\n[output]\nkeep = 1\n", {"line 3, column 8", "output.keep must be a text"}},
      {"inputs = \"in\"\n[output]\nkept = \"all\"\n", {"line 3, column 1", "unknown name 'kept'"}},
      {"mode = \"write\"\n", {"inputs folder"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string message = refusal(c.text);
    EXPECT_NE(message.find("sweep.toml, line"), std::string::npos) << message;
    for (const std::string& part : c.expected) EXPECT_NE(message.find(part), std::string::npos) << message;
  }
}

// A grid range rounds its steps to what para.txt keeps, as sampled designs
// do, while a value written in a list must be what the run gets.
TEST_F(DescriptionTest, GridRangesRoundToWhatParaTxtKeeps) {
  const ExperimentPlan p = plan(
      "inputs = \"in\"\n[vary]\n"
      "delta = { from = 0.004, to = 0.012, steps = 19 }\n"
      "popsize = { from = 2, to = 12, steps = 3 }\n");
  ASSERT_EQ(p.points.size(), 20u * 4u);
  EXPECT_EQ(p.points[0], (DesignPoint{"0.00400", "2"}));
  EXPECT_EQ(p.points[1], (DesignPoint{"0.00400", "5"}));
  EXPECT_EQ(p.points[2], (DesignPoint{"0.00400", "9"}));
  EXPECT_EQ(p.points[4], (DesignPoint{"0.00442", "2"}));
  EXPECT_EQ(p.points[79], (DesignPoint{"0.01200", "12"}));
  EXPECT_EQ(p.runs[4].parameterText.substr(0, 11), "   0.00442\n");
  // The record keeps the values the runs got, and reads back as the same plan.
  writeExperimentRecord(p, inputs.dir.file(""), "test", "sweep run");
  const std::string record = testing::readWholeFile(experimentRecordFile(inputs.dir.file("")));
  EXPECT_NE(record.find("[provenance.grid]\ndelta = [0.00400, 0.00442, 0.00484, "), std::string::npos) << record;
  EXPECT_NE(record.find("\npopsize = [2, 5, 9, 12]\n"), std::string::npos) << record;
  EXPECT_EQ(recordedPlan(inputs.dir.file("")).fingerprint, p.fingerprint);
  EXPECT_NE(refusal("inputs = \"in\"\n[vary]\ndelta = [0.004, 0.0044210526]\n").find("five decimals"),
            std::string::npos);
}

TEST_F(DescriptionTest, RefusesInputsThatCannotRunBeforeAnyPointIsMade) {
  std::filesystem::remove(inputs.dir.file("in/para.txt"));
  EXPECT_NE(refusal("inputs = \"in\"\n").find("holds no para.txt"), std::string::npos);
  inputs.dir.write("in/para.txt", testing::smallParameters("read"));
  EXPECT_NE(refusal("inputs = \"in\"\n").find("mode 'read'"), std::string::npos);
  // A value the runs' para.txt could not hold as the inputs give it.
  inputs.dir.write("in/para.txt", "0.000004\n" + testing::smallParameters().substr(8));
  EXPECT_NE(refusal("inputs = \"in\"\n").find("delta"), std::string::npos);
  inputs.dir.write("in/para.txt", testing::smallParameters());
  std::filesystem::remove(inputs.dir.file("in/wdata.txt"));
  EXPECT_NE(refusal("inputs = \"in\"\n").find("no wdata.txt"), std::string::npos);
  EXPECT_NO_THROW(plan("inputs = \"in\"\nwdata = \"wdata-plain.txt\"\n"));
}

}  // namespace
}  // namespace vk

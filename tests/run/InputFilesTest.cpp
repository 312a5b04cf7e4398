#include <unistd.h>

#include <gtest/gtest.h>

#include "io/RunError.h"
#include "io/TextReader.h"
#include "model/Display.h"
#include "model/RunState.h"
#include "run/InputFiles.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

using testing::TempDir;

class InputFiles : public ::testing::Test {
 protected:
  std::string refusal(const std::string& wdata) {
    dir.write("wdata.txt", wdata);
    try {
      readWeightStructure(*state, dir.file("wdata.txt"));
    } catch (const RunError& e) {
      return e.what();
    }
    return "";
  }

  NullDisplay display;
  std::unique_ptr<RunState> state = newRunState(display);
  TempDir dir;
};

TEST_F(InputFiles, WeightCountOfPlainAndStagedStructures) {
  for (const char* plain : {"", "0\n0\n"}) {
    dir.write("wdata.txt", plain);
    readWeightStructure(*state, dir.file("wdata.txt"));
    EXPECT_EQ(state->nWeights, 17) << '"' << plain << '"';
  }
  // Second-stage groups are one stream of integers regardless of line breaks.
  dir.write("wdata.txt", "2\n3 1 2 3 comment\n4 4 5 6 7\n1\n2 1\n1 2\n17\n");
  readWeightStructure(*state, dir.file("wdata.txt"));
  EXPECT_EQ(state->nWeights, 3 + 4 + 3 + 1);
  EXPECT_EQ(state->stage1Factors[2][4], 7);
  EXPECT_EQ(state->stage2Members[1][1], 1);
  EXPECT_EQ(state->stage2Members[1][2], 2);
  EXPECT_EQ(state->stage2Members[1][3], 17);
}

TEST_F(InputFiles, TheDemoStructureHasTwentyEightWeights) {
  readWeightStructure(*state, std::string(VELQUIN_DEMO_DIR) + "/wdata.txt");
  EXPECT_EQ(state->nWeights, 28);
}

TEST_F(InputFiles, StructuresBeyondAnAgentsCapacityAreRefused) {
  EXPECT_NE(refusal("21\n").find("first-stage groups = 21"), std::string::npos);
  EXPECT_NE(refusal("1\n11 1 1 1 1 1 1 1 1 1 1 1\n0\n").find("size of first-stage group 1 = 11"), std::string::npos);
  EXPECT_NE(refusal("1\n2 1 18\n0\n").find("line 2: a factor number = 18"), std::string::npos);
  EXPECT_NE(refusal("1\n1 1\n1\n1 0 2\n").find("a first-stage group number = 2"), std::string::npos);
  EXPECT_NE(refusal("0\n1\n6 5 1 1 1 1 1 1 1 1 1 1\n").find("factor count"), std::string::npos);
  // Twenty full groups and ten full mixing groups: 200 + 100 + 10 weights.
  std::string big = "20\n";
  for (int g = 0; g < 20; ++g) big += "10 1 2 3 4 5 6 7 8 9 10\n";
  big += "10\n";
  for (int g = 0; g < 10; ++g) big += "0 10 1 2 3 4 5 6 7 8 9 10\n";
  EXPECT_NE(refusal(big).find("the number of weights = 310 is outside"), std::string::npos);
  EXPECT_NE(refusal("1.5\n").find("'1.5' is not a valid integer value"), std::string::npos);
}

TEST_F(InputFiles, PriceFileLineNHoldsWeekNMinusFive) {
  dir.write("price.txt", "1\n2\n3\n4\n5\n6.5\n7\n8\n9\n");
  state->priceFileName = dir.file("price.txt");
  state->maxyear = 3;  // lines 1 to 8; line 9 is not read
  readPriceFile(*state);
  EXPECT_EQ(state->actualRate[-4], 1);
  EXPECT_EQ(state->actualRate[0], 5);
  EXPECT_EQ(state->actualRate[1], 6.5);
  EXPECT_EQ(state->actualRate[3], 8);
  EXPECT_EQ(state->actualRate[4], 0);
  EXPECT_EQ(state->actualChange[1], 1.5);
  EXPECT_EQ(state->actualChange[-3], 1);
}

TEST_F(InputFiles, DataFactorsTakeLineOneForWeekZeroAndNegateTheMiddleStretch) {
  std::string data;
  for (int line = 1; line <= 420; ++line) {
    for (int i = 1; i <= 14; ++i) data += std::to_string(line % 3 + i) + " ";
    data += "rest of line\n";
  }
  dir.write("data.txt", data);
  RunState& s = *state;
  s.minyear = 261;
  s.maxyear = 419;
  TextReader in = TextReader::open(dir.file("data.txt"));
  readDataFactors(s, in);
  EXPECT_EQ(s.dataFactors[0][1], 1 % 3 + 1);
  EXPECT_EQ(s.dataFactors[0][14], 1 % 3 + 14);
  EXPECT_EQ(s.dataFactors[260][1], 0);  // before minyear nothing is read
  EXPECT_EQ(s.dataFactors[261][1], 261 % 3 + 1);
  EXPECT_EQ(s.dataFactors[262][1], -(262 % 3 + 1));
  EXPECT_EQ(s.dataFactors[418][14], -(418 % 3 + 14));
  EXPECT_EQ(s.dataFactors[419][1], 419 % 3 + 1);
  EXPECT_EQ(s.dataFactors[420][1], 0);  // after maxyear neither
}

TEST_F(InputFiles, DataFactorsRefuseTheSmallestIntegerWhereItWouldBeNegatedAndShortLines) {
  const std::string line = "-2147483648 2147483647 0 0 0 0 0 0 0 0 0 0 0 0\n";
  std::string data;
  for (int week = 1; week <= 260; ++week) data += "0 0 0 0 0 0 0 0 0 0 0 0 0 0\n";
  RunState& s = *state;
  s.minyear = 261;
  s.maxyear = 261;
  const auto refusal = [&](const std::string& text) -> std::string {
    dir.write("data.txt", text);
    TextReader in = TextReader::open(dir.file("data.txt"));
    try {
      readDataFactors(s, in);
    } catch (const RunError& e) {
      return e.what();
    }
    return "";
  };
  EXPECT_EQ(refusal(data + line), "");  // week 261 is not negated
  EXPECT_EQ(s.dataFactors[261][1], -2147483647 - 1);
  s.maxyear = 262;
  EXPECT_EQ(refusal(data + line + line),
            dir.file("data.txt") +
                ", line 262: -2147483648 in week 262 cannot be negated (the factors of weeks "
                "262 to 418 are); the smallest value there is -2147483647");
  // A line cut short runs out of values rather than reading zeros.
  s.maxyear = 263;
  EXPECT_EQ(refusal(data + line + "1 2 3\n" + "\n"),
            dir.file("data.txt") + " runs out of values at week 262, factor 4: each week's line holds 14 integers");
  // A file with fewer lines than the weeks says where it ends.
  EXPECT_EQ(refusal(data + line), dir.file("data.txt") +
                                      " ends at week 261 (line n holds week n), but the run reads weeks 261 to 263 "
                                      "(maxyear = 263)");
}

TEST_F(InputFiles, LoadingTableRowZeroMustNameWeights) {
  RunState& s = *state;
  s.nWeights = 3;
  testing::WorkingDirectory inside(dir.path());
  s.resultDir = ".";
  dir.write("loading.dat.98", "2\n3\n1.0 2.0\n3.4\n0.5 0.25 -1 rest\n1 2 3\n");
  readLoadingFile(s);
  EXPECT_EQ(s.loadingRows, 2);
  EXPECT_EQ(s.loadingCols, 3);
  EXPECT_EQ(s.loadings[0][3], 3.4);
  EXPECT_EQ(s.loadings[1][3], -1);
  EXPECT_EQ(s.loadings[2][1], 1);

  dir.write("loading.dat.98", "1\n2\n1 4\n0 0\n");
  EXPECT_THROW(readLoadingFile(s), RunError);
  dir.write("loading.dat.98", "11\n2\n");
  EXPECT_THROW(readLoadingFile(s), RunError);
}

}  // namespace
}  // namespace vk

#include <gtest/gtest.h>

#include "io/TextReader.h"
#include "run/Parameters.h"

namespace vk {
namespace {

const char* const kCommentedPara =
    "0.00435 delta\n20 ndiv\n0.01088 t1\n0.02176 t2\n0.01538 t3\n100 popsize\n53 minyear\n"
    "261 maxyear\n156 teachyear\n0.60000 pc1\n0.00500 pm1\n0.20000 g1\n0.30000 pc2\n"
    "0.00200 pm2\n0.10000 g2\n10 simtimes\n5 nsample\nall\n";

TEST(Parameters, CommentsAfterNumbersReadTheSameAsWithout) {
  TextReader commented("para.txt", kCommentedPara);
  TextReader bare("para.txt",
                  "0.00435\n20\n0.01088\n0.02176\n0.01538\n100\n53\n261\n156\n0.6\n0.005\n0.2\n0.3\n0.002\n"
                  "0.1\n10\n5\nall\n");
  const Parameters a = readParameters(commented);
  const Parameters b = readParameters(bare);
  EXPECT_EQ(formatParameters(a), formatParameters(b));
  EXPECT_EQ(a.popsize, 100);
  EXPECT_EQ(a.teachyear, 156);
  EXPECT_EQ(a.runMode, "all");
}

TEST(Parameters, WritesRealsAsTenFiveAndKeepsTheModeWord) {
  TextReader in("para.txt", kCommentedPara);
  Parameters p = readParameters(in);
  p.delta = 0.000004;
  p.runMode = "write ";
  const std::string text = formatParameters(p);
  EXPECT_EQ(text.substr(0, 14), "   0.00000\n20\n");
  EXPECT_NE(text.find("\n   0.60000\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 8), "\nwrite \n");
}

TEST(Parameters, MissingModeLineGivesAnEmptyWord) {
  TextReader in("para.txt", "0.1\n2\n");
  const Parameters p = readParameters(in);
  EXPECT_EQ(p.ndiv, 2);
  EXPECT_EQ(p.nsample, 0);
  EXPECT_EQ(p.runMode, "");
}

}  // namespace
}  // namespace vk

// Path lists as the command line and the analysis windows give them.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "analysis/PathList.h"
#include "io/RunError.h"

namespace vk {
namespace {

TEST(PathList, ReadsNumbersAndRangesInOrder) {
  EXPECT_EQ(parsePathList("0,3,5-9"), (std::vector<int>{0, 3, 5, 6, 7, 8, 9}));
  EXPECT_EQ(parsePathList(" 12 , 2 - 3,0007"), (std::vector<int>{12, 2, 3, 7}));
  EXPECT_EQ(entriesOfPaths({3, 12}, kWeightPrefix)[1].name, "w0012.csv");
}

TEST(PathList, RefusesWhatIsNotAList) {
  for (const char* bad : {"", "a", "1,,2", "3-1", "-1", "1-", "+1", "1.5", "0-2000000", "99999999999"}) {
    try {
      parsePathList(bad);
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const RunError& e) {
      EXPECT_NE(std::string(e.what()).find("in the path list"), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace vk

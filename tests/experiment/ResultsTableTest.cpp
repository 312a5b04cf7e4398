// The fields of a results table's line: quoted fields with commas and
// doubled quotes, dropped carriage returns, empty fields, and a vector of an
// earlier, longer line reused without its fields leaking into the next.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "experiment/ResultsTable.h"

namespace vk {
namespace {

using Fields = std::vector<std::string>;

TEST(ResultsTableFields, PlainAndQuotedLinesSplitAlike) {
  EXPECT_EQ(csvFields("1,,2.5,"), (Fields{"1", "", "2.5", ""}));
  EXPECT_EQ(csvFields(""), (Fields{""}));
  EXPECT_EQ(csvFields("7,failed,\"the disk, alas\""), (Fields{"7", "failed", "the disk, alas"}));
  EXPECT_EQ(csvFields("\"say \"\"no\"\"\",x\r"), (Fields{"say \"no\"", "x"}));
  EXPECT_EQ(csvFields("a\r,b"), (Fields{"a", "b"}));
}

TEST(ResultsTableFields, AReusedVectorHoldsOnlyTheNewLine) {
  Fields fields;
  csvFields("1,2,3,4,5", fields);
  csvFields("x,,y", fields);
  EXPECT_EQ(fields, (Fields{"x", "", "y"}));
  csvFields("\"q,r\",s", fields);
  EXPECT_EQ(fields, (Fields{"q,r", "s"}));
  csvFields("long,line,again,now", fields);
  EXPECT_EQ(fields, (Fields{"long", "line", "again", "now"}));
}

}  // namespace
}  // namespace vk

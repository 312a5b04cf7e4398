#include "analysis/ResultLine.h"

#include <gtest/gtest.h>

#include <functional>

#include "io/RunError.h"

namespace vk {
namespace {

using Fields = std::vector<std::string>;

TEST(ResultLine, SplitsQuotedFieldsAtCommas) {
  EXPECT_EQ(splitResultLine("\"105\",\"4.83210\",\"4.83210\""), (Fields{"105", "4.83210", "4.83210"}));
  EXPECT_EQ(splitResultLine("\"a, b\",\"say \"\"hi\"\"\""), (Fields{"a, b", "say \"hi\""}));
  EXPECT_EQ(splitResultLine("\"4.5\"x"), (Fields{"4.5", "x"}));
  EXPECT_EQ(splitResultLine("\"open, to the end"), (Fields{"open, to the end"}));
  // The weight and frequency summaries end their lines with a comma.
  EXPECT_EQ(splitResultLine("\"0.30000\",\"-0.30000\","), (Fields{"0.30000", "-0.30000", ""}));
}

TEST(ResultLine, BlanksEndUnquotedFieldsAndJoinAComma) {
  EXPECT_EQ(splitResultLine("1, 2"), (Fields{"1", "2"}));
  EXPECT_EQ(splitResultLine("1 ,\t2"), (Fields{"1", "2"}));
  EXPECT_EQ(splitResultLine("1 2"), (Fields{"1", "2"}));
  EXPECT_EQ(splitResultLine("  1,,2  "), (Fields{"1", "", "2"}));
  EXPECT_EQ(splitResultLine("\"12\",\"0\"\r"), (Fields{"12", "0"}));
  EXPECT_TRUE(splitResultLine("").empty());
  EXPECT_TRUE(splitResultLine(" \r").empty());
}

TEST(ResultLine, ReadsNumbersWithOptionalBlanks) {
  const Fields f = splitResultLine("\"0007\",\" 4.5 \",\"-1e-3\"");
  EXPECT_EQ(intField(f, 0, "r.csv", 3), 7);
  EXPECT_DOUBLE_EQ(realField(f, 1, "r.csv", 3), 4.5);
  EXPECT_DOUBLE_EQ(realField(f, 2, "r.csv", 3), -0.001);
}

void expectError(const std::function<void()>& read, const std::string& message) {
  try {
    read();
    FAIL() << "no error, expected " << message;
  } catch (const RunError& e) {
    EXPECT_EQ(e.what(), message);
  }
}

TEST(ResultLine, BadOrMissingFieldNamesFileAndLine) {
  const Fields f = splitResultLine("\"4.5\",\"4,5\",\"\"");
  expectError([&] { intField(f, 0, "d/r0001.csv", 9); }, "'4.5' is not a valid integer value (d/r0001.csv, line 9)");
  expectError([&] { realField(f, 1, "d/r0001.csv", 9); },
              "'4,5' is not a valid floating point value (d/r0001.csv, line 9)");
  expectError([&] { realField(f, 2, "d/r0001.csv", 9); },
              "'' is not a valid floating point value (d/r0001.csv, line 9)");
  expectError([&] { realField(f, 3, "d/r0001.csv", 9); },
              "Field 3 is missing: the line holds 3 fields (d/r0001.csv, line 9)");
  expectError([&] { realField(splitResultLine("\"nan\""), 0, "x", 1); },
              "'nan' is not a valid floating point value (x, line 1)");
}

}  // namespace
}  // namespace vk

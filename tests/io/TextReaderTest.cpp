#include <gtest/gtest.h>

#include "io/RunError.h"
#include "io/TextReader.h"

namespace vk {
namespace {

std::string errorOf(TextReader& in, bool integer) {
  try {
    if (integer)
      in.readInt();
    else
      in.readReal();
  } catch (const RunError& e) {
    return e.what();
  }
  return "";
}

TEST(TextReader, SkipsBlanksTabsAndLineEndsBeforeANumber) {
  TextReader in("t", " \t\n\n  42\t-7\r\n3.5e2 .25 +1.");
  EXPECT_EQ(in.readInt(), 42);
  EXPECT_EQ(in.readInt(), -7);
  EXPECT_DOUBLE_EQ(in.readReal(), 350.0);
  EXPECT_DOUBLE_EQ(in.readReal(), 0.25);
  EXPECT_DOUBLE_EQ(in.readReal(), 1.0);
}

TEST(TextReader, MissingValuesAtTheEndReadAsZero) {
  TextReader in("t", "5\n  \n");
  EXPECT_EQ(in.readInt(), 5);
  EXPECT_EQ(in.readInt(), 0);
  EXPECT_EQ(in.readReal(), 0.0);
  EXPECT_EQ(in.readLineText(30), "");
}

TEST(TextReader, RefusesMalformedNumbersNamingFileLineAndText) {
  TextReader decimalInt("para.txt", "1\n\n1.5\n");
  EXPECT_EQ(decimalInt.readInt(), 1);
  EXPECT_EQ(errorOf(decimalInt, true), "'1.5' is not a valid integer value (para.txt, line 3)");

  TextReader commas("data.txt", "1,2 3");
  EXPECT_EQ(errorOf(commas, true), "'1,2' is not a valid integer value (data.txt, line 1)");

  TextReader text("price.txt", "abc");
  EXPECT_EQ(errorOf(text, false), "'abc' is not a valid floating point value (price.txt, line 1)");

  for (const char* bad : {"1e", "--1", "nan", "inf", "0x10", "1.2.3", "."}) {
    TextReader in("p", bad);
    EXPECT_NE(errorOf(in, false), "") << bad;
  }
  TextReader overflow("p", "4294967296");
  EXPECT_NE(errorOf(overflow, true), "");
}

TEST(TextReader, SkipLineIgnoresCommentsAfterANumber) {
  TextReader in("t", "7 popsize: number of agents\n8\n");
  EXPECT_EQ(in.readInt(), 7);
  in.skipLine();
  EXPECT_EQ(in.readInt(), 8);
  EXPECT_EQ(in.line(), 2);
}

TEST(TextReader, LineTextIsCutButNeverTrimmed) {
  TextReader in("t", "write \nabcdefghijklmnopqrstuvwxyz0123456789\nall\r\n");
  EXPECT_EQ(in.readLineText(30), "write ");
  EXPECT_EQ(in.readLineText(30), "abcdefghijklmnopqrstuvwxyz0123");
  EXPECT_EQ(in.readLineText(30), "all");
  EXPECT_TRUE(in.atEnd());
}

TEST(TextReader, RewindStartsOverAtLineOne) {
  TextReader in("t", "1\n2\n");
  in.readInt();
  in.readInt();
  in.rewind();
  EXPECT_EQ(in.line(), 1);
  EXPECT_EQ(in.readInt(), 1);
}

TEST(TextReader, MissingFileNamesTheFile) {
  try {
    TextReader::open("/nonexistent/para.txt");
    FAIL();
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent/para.txt"), std::string::npos);
  }
}

}  // namespace
}  // namespace vk

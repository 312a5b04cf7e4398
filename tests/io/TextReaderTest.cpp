#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "io/RunError.h"
#include "io/TextReader.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

using testing::TempDir;

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

// Short integers are summed digit by digit, longer ones go through strtoll;
// both give strtoll's value, and neither lets a value past int's range by.
TEST(TextReader, IntegersReadTheSameOnEitherSideOfNineDigits) {
  const std::vector<std::string> accepted = {"0",
                                             "-0",
                                             "+0",
                                             "7",
                                             "-7",
                                             "+7",
                                             "999999999",
                                             "-999999999",
                                             "+999999999",
                                             "000000001",
                                             "0000000001",
                                             "1000000000",
                                             "-1000000000",
                                             "2147483647",
                                             "-2147483648",
                                             "+2147483647",
                                             "00000000000000000002147483647",
                                             "-000000000000000123"};
  for (const std::string& text : accepted) {
    int value = 12345;
    ASSERT_TRUE(parseInt(text, value)) << text;
    EXPECT_EQ(value, std::strtoll(text.c_str(), nullptr, 10)) << text;
  }
  for (const char* text : {"2147483648", "-2147483649", "99999999999999999999", "", "-", "+", "1-", "12a", " 1", "1 ",
                           "--1", "+-1", "0x10"}) {
    int value = 12345;
    EXPECT_FALSE(parseInt(text, value)) << text;
    EXPECT_EQ(value, 12345) << text;
  }
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

std::string openError(const std::string& path) {
  try {
    TextReader::open(path);
  } catch (const RunError& e) {
    return e.what();
  }
  return "";
}

TEST(TextReader, ReadsOnlyRegularFiles) {
  TempDir dir;
  // A pipe would block the open forever and a device would be read until
  // memory runs out; both are refused at once, as is a directory.
  ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", dir.path() / "zero");
  EXPECT_EQ(openError(dir.file("fifo")), "Cannot read '" + dir.file("fifo") + "': it is a pipe, not a regular file");
  EXPECT_EQ(openError(dir.file("zero")), "Cannot read '" + dir.file("zero") + "': it is a device, not a regular file");
  EXPECT_NE(openError(dir.path().string()).find("it is a directory"), std::string::npos);
  // A link to a regular file is read.
  dir.write("price.txt", "4.5\n");
  std::filesystem::create_symlink(dir.path() / "price.txt", dir.path() / "link.txt");
  TextReader link = TextReader::open(dir.file("link.txt"));
  EXPECT_EQ(link.readReal(), 4.5);
}

long peakMemoryKilobytes() {
  struct rusage usage;
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST(TextReader, ReadsNoMoreOfAFileThanItUses) {
  // A gigabyte, nearly all of it a hole: reading its first lines must not
  // bring the whole file into memory.
  TempDir dir;
  dir.write("huge.txt", "7 rest\n8\n");
  std::filesystem::resize_file(dir.path() / "huge.txt", 1ull << 30);
  const long before = peakMemoryKilobytes();
  TextReader in = TextReader::open(dir.file("huge.txt"));
  EXPECT_EQ(readIntLine(in), 7);
  EXPECT_EQ(readIntLine(in), 8);
  in.rewind();
  EXPECT_EQ(in.readInt(), 7);
  EXPECT_LT(peakMemoryKilobytes() - before, 64 * 1024);
}

// A file is read to its end, whatever size it had when it was opened.
TEST(TextReader, ReadsWhatAFileGainedAfterItWasOpened) {
  TempDir dir;
  dir.write("grows.txt", "1\n0\n");
  TextReader in = TextReader::open(dir.file("grows.txt"));
  const std::string more(100000, '2');
  std::ofstream(dir.path() / "grows.txt", std::ios::binary | std::ios::app) << more << "\n3";
  EXPECT_EQ(readIntLine(in), 1);
  EXPECT_EQ(readIntLine(in), 0);
  EXPECT_TRUE(in.readLineText() == more);
  EXPECT_FALSE(in.endsWithLineEnd());
  EXPECT_EQ(in.readInt(), 3);
  EXPECT_TRUE(in.atEnd());
}

TEST(TextReader, TellsWhetherTheLastLineHasItsLineEnd) {
  TempDir dir;
  for (const auto& [text, ended] : std::vector<std::pair<std::string, bool>>{
           {"", true}, {"7\n", true}, {"7\n8", false}, {"7\r\n", true}, {std::string(70000, '9'), false}}) {
    dir.write("file.txt", text);
    TextReader in = TextReader::open(dir.file("file.txt"));
    EXPECT_EQ(in.endsWithLineEnd(), ended) << text.substr(0, 10);
    EXPECT_EQ(in.line(), 1);  // asking does not move the reading on
    if (!text.empty()) EXPECT_EQ(in.readLineText().substr(0, 1), text.substr(0, 1));
  }
}

TEST(TextReader, PassesOverAByteOrderMarkAtTheStart) {
  TempDir dir;
  dir.write("para.txt",
            "\xEF\xBB\xBF"
            "0.00435 delta\n20\n");
  TextReader in = TextReader::open(dir.file("para.txt"));
  EXPECT_EQ(in.readReal(), 0.00435);
  in.rewind();
  EXPECT_EQ(readRealLine(in), 0.00435);
  EXPECT_EQ(in.line(), 2);
  // Anywhere else it is text that is no number.
  TextReader inside("p",
                    "1\n\xEF\xBB\xBF"
                    "2\n");
  EXPECT_EQ(in.readInt(), 20);
  EXPECT_EQ(inside.readInt(), 1);
  EXPECT_NE(errorOf(inside, true), "");
}

TEST(TextReader, RefusesLinesEndedByACarriageReturnAlone) {
  const std::string message =
      "'para.txt' has no line feeds: its lines end in a carriage return alone, so it would read as one line. "
      "Save it with LF or CR LF line ends.";
  try {
    TextReader in("para.txt", "0.00435\r20\r0.01088\r");
    ADD_FAILURE() << "accepted";
  } catch (const RunError& e) {
    EXPECT_EQ(std::string(e.what()), message);
  }
  TextReader crlf("para.txt", "0.00435\r\n20\r\n");
  EXPECT_EQ(readRealLine(crlf), 0.00435);
  EXPECT_EQ(readIntLine(crlf), 20);
  TextReader oneLine("price.txt", "4.5\r");
  EXPECT_EQ(oneLine.readReal(), 4.5);
}

TEST(TextReader, QuotesAShortVisiblePieceOfTheOffendingText) {
  TextReader huge("data.txt", "1 " + std::string(1000000, '9') + "x\n");
  EXPECT_EQ(huge.readInt(), 1);
  EXPECT_EQ(errorOf(huge, true),
            "'" + std::string(40, '9') + "...' (1000001 bytes) is not a valid integer value (data.txt, line 1)");
  TextReader del("p",
                 "4\x7f"
                 "5");
  EXPECT_EQ(errorOf(del, false), "'4\\x7F5' is not a valid floating point value (p, line 1)");

  EXPECT_EQ(quoted(std::string("4.5\0abc", 7)), "'4.5\\x00abc'");
  EXPECT_EQ(quoted("a\tb\r\n"), "'a\\tb\\r\\n'");
  // Never cut inside a character of several bytes.
  EXPECT_EQ(quoted(std::string(39, 'a') + "\xC3\xA9z"), "'" + std::string(39, 'a') + "...' (42 bytes)");
  EXPECT_EQ(quoted("short", 3), "'sho...' (5 bytes)");
}

}  // namespace
}  // namespace vk

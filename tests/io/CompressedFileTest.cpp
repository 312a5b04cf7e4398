// Summaries kept compressed: what gzip unpacks, the same bytes on every run,
// read back as the plain file would be, and damaged data refused by name.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "io/CompressedFile.h"
#include "io/RunError.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

using testing::TempDir;

std::string errorOf(const std::string& path) {
  try {
    openPlainOrCompressed(path).readLineText();
  } catch (const RunError& e) {
    return e.what();
  }
  return "";
}

std::string allLines(TextReader in) {
  std::string text;
  while (!in.atEnd()) text += in.readLineText() + "\n";
  return text;
}

const char* const kReport = "No. = 0\nme(sim)\n 1.00000000000000E+0000\t\n";

TEST(CompressedFile, ReplacesTheFileByWhatGzipUnpacksToItsBytes) {
  TempDir dir;
  std::string text;
  for (int i = 0; i < 400; ++i) text += kReport;
  dir.write("eval.txt", text);
  compressFile(dir.file("eval.txt"));
  EXPECT_FALSE(dir.exists("eval.txt"));
  ASSERT_TRUE(dir.exists("eval.txt.gz"));
  const std::string packed = dir.read("eval.txt.gz");
  EXPECT_LT(packed.size(), text.size() / 4);
  const std::string command = "gzip -dc '" + dir.file("eval.txt.gz") + "' > '" + dir.file("unpacked") + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_TRUE(dir.read("unpacked") == text);
  EXPECT_TRUE(allLines(openPlainOrCompressed(dir.file("eval.txt"))) == text);
  EXPECT_TRUE(plainOrCompressedExists(dir.file("eval.txt")));

  // The same bytes compress to the same file, whenever and wherever.
  dir.write("eval.txt", text);
  compressFile(dir.file("eval.txt"));
  EXPECT_EQ(dir.read("eval.txt.gz"), packed);
}

TEST(CompressedFile, ThePlainFileIsReadWhenBothAreThere) {
  TempDir dir;
  dir.write("facts.csv", "old\n");
  compressFile(dir.file("facts.csv"));
  dir.write("facts.csv", "new\n");
  EXPECT_EQ(openPlainOrCompressed(dir.file("facts.csv")).readLineText(), "new");
}

TEST(CompressedFile, DamagedOrMissingDataIsRefusedNamingTheFile) {
  TempDir dir;
  EXPECT_FALSE(plainOrCompressedExists(dir.file("eval.txt")));
  EXPECT_NE(errorOf(dir.file("eval.txt")).find(dir.file("eval.txt")), std::string::npos);

  std::string text;
  for (int i = 0; i < 50; ++i) text += kReport;
  dir.write("eval.txt", text);
  compressFile(dir.file("eval.txt"));
  const std::string packed = dir.read("eval.txt.gz");
  const std::string cases[] = {packed.substr(0, packed.size() / 2), packed + "more", "plain text, not gzip\n",
                               packed.substr(0, 10) + std::string(packed.size() - 10, 'x'), ""};
  for (const std::string& bytes : cases) {
    dir.write("eval.txt.gz", bytes);
    const std::string error = errorOf(dir.file("eval.txt"));
    EXPECT_NE(error.find(dir.file("eval.txt.gz")), std::string::npos) << error;
  }
  // A trailer that claims far more than its data can unpack to is refused
  // before anything is set aside for it.
  dir.write("eval.txt.gz", packed.substr(0, 10) + std::string(8, '\0') + std::string("\0\0\0\x3f", 4));
  const std::string claim = errorOf(dir.file("eval.txt"));
  EXPECT_NE(claim.find("its trailer gives a size of 1056964608 bytes that its 22 bytes cannot hold"), std::string::npos)
      << claim;

  std::filesystem::remove(dir.path() / "eval.txt.gz");
  std::filesystem::create_directory(dir.path() / "eval.txt.gz");
  EXPECT_NE(errorOf(dir.file("eval.txt")).find("not a regular file"), std::string::npos);
}

TEST(CompressedFile, AFileThatCannotBeReadIsNotReplaced) {
  TempDir dir;
  EXPECT_THROW(compressFile(dir.file("absent.txt")), RunError);
  EXPECT_FALSE(dir.exists("absent.txt.gz"));
}

}  // namespace
}  // namespace vk

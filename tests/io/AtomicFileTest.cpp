// Files replaced whole: a reader sees the old file or the complete new one,
// and a write that stops early leaves the old file and no temporary.
#include <filesystem>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "io/AtomicFile.h"
#include "io/RunError.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

std::size_t entriesIn(const std::filesystem::path& folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

TEST(AtomicOutput, TheOldFileStaysUntilTheNewOneIsComplete) {
  testing::TempDir dir;
  dir.write("table.csv", "old\n");
  {
    AtomicOutput out(dir.file("table.csv"));
    out.write("new,");
    out.write("rows\n");
    EXPECT_EQ(dir.read("table.csv"), "old\n");
    out.commit();
  }
  EXPECT_EQ(dir.read("table.csv"), "new,rows\n");
  EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(AtomicOutput, AWriteStoppedBeforeCommitLeavesTheOldFileAndNoTemporary) {
  testing::TempDir dir;
  dir.write("table.csv", "old\n");
  try {
    AtomicOutput out(dir.file("table.csv"));
    out.write("half of a");
    throw std::runtime_error("the rows ran out");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(dir.read("table.csv"), "old\n");
  EXPECT_EQ(entriesIn(dir.path()), 1u);
  // A folder that is missing is named.
  try {
    AtomicOutput out(dir.file("gone/table.csv"));
    ADD_FAILURE() << "created a file in a missing folder";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("gone/table.csv"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace vk

// Whole files that replace others: the old file stays until the new one is
// complete, and a failure names the file the user asked for.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "io/AtomicFile.h"
#include "io/OutputFile.h"
#include "io/RunError.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

using testing::TempDir;

std::size_t entriesIn(const TempDir& dir) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++n;
  return n;
}

TEST(ReplacingFile, TheOldFileStaysUntilTheNewOneIsCommitted) {
  TempDir dir;
  dir.write("table.csv", "old\n");
  {
    OutputFile file;
    file.createReplacing(dir.file("table.csv"));
    file.write("new, but never committed\n");
    EXPECT_EQ(dir.read("table.csv"), "old\n");
  }
  EXPECT_EQ(dir.read("table.csv"), "old\n");
  EXPECT_EQ(entriesIn(dir), 1u);
  OutputFile file;
  file.createReplacing(dir.file("table.csv"));
  file.write("new\n");
  file.commit();
  EXPECT_EQ(dir.read("table.csv"), "new\n");
  EXPECT_EQ(entriesIn(dir), 1u);
}

// A disk that fills up is played by a file size limit: the write fails with
// EFBIG instead of ENOSPC, through the same path.
TEST(ReplacingFile, AFailedWriteNamesTheRealFileAndLeavesNoTemporary) {
  TempDir dir;
  dir.write("failed", "the earlier mark\n");
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1000, 1000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::string said = "no error";
    try {
      writeFileAtomically(dir.file("failed"), std::string(100000, 'x'));
    } catch (const RunError& e) {
      said = e.what();
    }
    (void)!::write(pipeEnds[1], said.data(), said.size());
    ::_exit(0);
  }
  ::close(pipeEnds[1]);
  std::string said;
  char block[512];
  for (ssize_t n; (n = ::read(pipeEnds[0], block, sizeof block)) > 0;) said.append(block, static_cast<std::size_t>(n));
  ::close(pipeEnds[0]);
  ::waitpid(child, nullptr, 0);
  EXPECT_NE(said.find(dir.file("failed") + "'"), std::string::npos) << said;
  EXPECT_EQ(said.find(".tmp"), std::string::npos) << said;
  EXPECT_EQ(dir.read("failed"), "the earlier mark\n");
  EXPECT_EQ(entriesIn(dir), 1u);
}

TEST(ReplacingFile, APermissionOfTheOldFileIsKept) {
  TempDir dir;
  dir.write("script.sh", "old\n");
  std::filesystem::permissions(dir.file("script.sh"), std::filesystem::perms(0750));
  writeFileAtomically(dir.file("script.sh"), "new\n");
  EXPECT_EQ(std::filesystem::status(dir.file("script.sh")).permissions(), std::filesystem::perms(0750));
}

}  // namespace
}  // namespace vk

// A worker runs command line after command line in one process: what a run
// leaves behind (its folder, its output, a broken stream, an exception, its
// death) must not reach the next one, and its end must read as a process's.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "experiment/RunWorker.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

std::string currentFolder() {
  char path[PATH_MAX];
  return ::getcwd(path, sizeof path) ? path : "";
}

// The first word says what the run does.
int fakeRun(const std::vector<std::string>& words) {
  const std::string& what = words.at(0);
  if (what == "pid") return std::printf("%d\n", static_cast<int>(::getpid())) > 0 ? 0 : 1;
  // Every run starts as the first one did: in the pool's folder, with a
  // working standard output.
  std::printf("%s in %s, stdout %s\n", what.c_str(), currentFolder().c_str(), std::ferror(stdout) ? "broken" : "fine");
  std::fflush(stdout);
  std::fprintf(stderr, "%s says so on stderr\n", what.c_str());
  if (what == "wander") {
    if (::chdir("/") != 0) return 9;
  } else if (what == "break") {
    // Writes that fail leave the stream's error flag set.
    std::fflush(stdout);
    FILE* readOnly = std::fopen("/dev/null", "r");
    ::dup2(::fileno(readOnly), STDOUT_FILENO);
    std::printf("lost\n");
    std::fflush(stdout);
    return std::ferror(stdout) ? 3 : 0;
  } else if (what == "throw") {
    throw std::runtime_error("a run that throws");
  } else if (what == "die") {
    std::fflush(stdout);
    ::raise(SIGKILL);
  } else if (what == "exit") {
    std::exit(7);
  }
  return 0;
}

// A request is what the run does and its log, on two lines; the answer is
// the run's wait status.
std::int32_t commandTask(const std::string& request) {
  const std::size_t cut = request.find('\n');
  return runCommandInWorker(fakeRun, {request.substr(0, cut)}, request.substr(cut + 1));
}

class Worker : public ::testing::Test {
 protected:
  // Runs what the word says in the worker with a fresh log: the wait status
  // of the run, or of the worker when the run took it down.
  int run(const std::string& what, const std::string& log) {
    dir.write(log, "");
    if (!worker.started()) worker.start(commandTask, {});
    EXPECT_TRUE(worker.send(what + "\n" + dir.file(log)));
    int deathStatus = 0;
    const std::optional<std::int32_t> answer = worker.receive(&deathStatus);
    return answer ? *answer : deathStatus;
  }

  testing::TempDir dir;
  RunWorker worker;
};

TEST_F(Worker, ARunLeavesNothingBehindForTheNext) {
  const std::string home = currentFolder();
  EXPECT_EQ(run("wander", "1.log"), 0);
  EXPECT_EQ(dir.read("1.log"), "wander in " + home + ", stdout fine\nwander says so on stderr\n");
  EXPECT_EQ(run("stay", "2.log"), 0);
  EXPECT_EQ(dir.read("2.log"), "stay in " + home + ", stdout fine\nstay says so on stderr\n");
  // The log of a run gets only that run's output, also of one that broke
  // its standard output.
  const int broken = run("break", "3.log");
  EXPECT_TRUE(WIFEXITED(broken) && WEXITSTATUS(broken) == 3) << broken;
  EXPECT_EQ(dir.read("3.log"), "break in " + home + ", stdout fine\nbreak says so on stderr\n");
  EXPECT_EQ(run("after", "4.log"), 0);
  EXPECT_EQ(dir.read("4.log"), "after in " + home + ", stdout fine\nafter says so on stderr\n");
  EXPECT_EQ(dir.read("2.log"), "stay in " + home + ", stdout fine\nstay says so on stderr\n");
  EXPECT_EQ(currentFolder(), home);
}

TEST_F(Worker, AFailedOrDeadRunEndsAsItsOwnProcessWould) {
  const int thrown = run("throw", "throw.log");
  EXPECT_TRUE(WIFEXITED(thrown) && WEXITSTATUS(thrown) == 1) << thrown;
  EXPECT_TRUE(worker.started());
  const int killed = run("die", "die.log");
  EXPECT_TRUE(WIFSIGNALED(killed) && WTERMSIG(killed) == SIGKILL) << killed;
  EXPECT_NE(dir.read("die.log").find("die says so"), std::string::npos);
  EXPECT_FALSE(worker.started());
  // Started anew, the next run goes on.
  EXPECT_EQ(run("next", "next.log"), 0);
  EXPECT_NE(dir.read("next.log").find("next in"), std::string::npos);
  const int exited = run("exit", "exit.log");
  EXPECT_TRUE(WIFEXITED(exited) && WEXITSTATUS(exited) == 7) << exited;
  EXPECT_FALSE(worker.started());
}

// A log that cannot be opened fails the run as a command that cannot start,
// and the worker takes the next.
TEST_F(Worker, ARunWhoseLogCannotBeOpenedFailsAlone) {
  worker.start(commandTask, {});
  ASSERT_TRUE(worker.send("lost\n" + dir.file("no/such/folder/run.log")));
  int deathStatus = 0;
  const std::optional<std::int32_t> status = worker.receive(&deathStatus);
  ASSERT_TRUE(status);
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 127) << *status;
  EXPECT_EQ(run("found", "found.log"), 0);
  EXPECT_NE(dir.read("found.log").find("found in"), std::string::npos);
}

// A worker that died between runs is seen as the next run is handed over.
TEST_F(Worker, AWorkerGoneBetweenRunsRefusesTheNextRun) {
  EXPECT_EQ(run("pid", "pid.log"), 0);
  const pid_t pid = std::atoi(dir.read("pid.log").c_str());
  ASSERT_GT(pid, 0);
  ASSERT_NE(pid, ::getpid());
  ::kill(pid, SIGKILL);
  // The connection hangs up once the worker died.
  pollfd hangUp{worker.connection(), POLLIN, 0};
  ASSERT_EQ(::poll(&hangUp, 1, 10000), 1);
  EXPECT_FALSE(worker.send("second\n" + dir.file("pid.log")));
  EXPECT_FALSE(worker.started());
}

}  // namespace
}  // namespace vk

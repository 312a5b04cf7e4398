// Times the start-up of velquin-cli: --version, and a run that does nothing
// (the demo's inputs with no paths to run), each started as a
// new process many times; the median wall time per start is printed.
//
//   bench_startup [VELQUIN_CLI [DEMO_DIR]]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kStarts = 100;

// Milliseconds of one start, or a negative number when it failed.
double startOnce(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  const Clock::time_point start = Clock::now();
  pid_t pid;
  int status = 0;
  const bool started = posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ) == 0;
  if (started) waitpid(pid, &status, 0);
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  posix_spawn_file_actions_destroy(&quiet);
  return started && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

void report(const char* what, const std::vector<std::string>& args) {
  std::vector<double> times;
  for (int i = 0; i < kStarts; ++i) {
    const double ms = startOnce(args);
    if (ms < 0) {
      std::printf("%-28s failed\n", what);
      return;
    }
    times.push_back(ms);
  }
  std::sort(times.begin(), times.end());
  std::printf("%-28s %6.2f ms median, %6.2f ms fastest (%d starts)\n", what, times[kStarts / 2], times[0], kStarts);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string cli = argc > 1 ? argv[1] : VELQUIN_CLI;
  const fs::path demo = argc > 2 ? argv[2] : VELQUIN_DEMO_DIR;
  const fs::path work = fs::temp_directory_path() / "velquin-bench-startup";
  fs::remove_all(work);
  fs::create_directories(work / "result");
  for (const char* name : {"price.txt", "data.txt", "wdata.txt", "para.txt"}) fs::copy(demo / name, work / name);
  // The same parameters with no paths (simtimes, line 16, set to 0): a run that reads its inputs, writes the
  // report of the actual rate and runs no path. (A mode word that matches no mode is a failed run.)
  std::ifstream in(demo / "para.txt");
  std::string line, text;
  for (int number = 1; std::getline(in, line); ++number)
    text += (number == 16 ? "0" + line.substr(line.find_first_of(" \t")) : line) + "\n";
  std::ofstream(work / "para.txt") << text;

  report("velquin-cli --version", {cli, "--version"});
  report("velquin-cli run (no path)", {cli, "run", "--quiet", "-C", work.string()});
  fs::remove_all(work);
  return 0;
}

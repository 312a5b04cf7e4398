// Finding and starting velquin-plot for velquin-cli analyze --plot.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/CliCommands.h"
#include "io/RunError.h"

namespace vk {

namespace {

const char* const kPlotProgram = "velquin-plot";

// The folder of the running program, from the kernel rather than argv[0],
// which a shell may give without a folder.
std::string ownFolder() {
  std::vector<char> path(4096);
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= path.size())
    throwFileError("find the folder of", "/proc/self/exe", errno);
  const std::string self(path.data(), static_cast<std::size_t>(n));
  return self.substr(0, self.rfind('/'));
}

}  // namespace

void runPlotProgram(char** argv) {
  const std::string program = ownFolder() + "/" + kPlotProgram;
  std::fflush(stdout);
  std::fflush(stderr);
  ::execv(program.c_str(), argv);
  const int error = errno;
  throw RunError("Cannot start '" + program + "', which draws the charts: " + std::strerror(error) +
                 ". It is installed beside velquin-cli with the desktop program.");
}

}  // namespace vk

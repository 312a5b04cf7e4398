// Finding and starting the programs velquin-cli hands a command over to:
// velquin-plot for --plot, velquin-calibrate for calibrate.
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

// Replaces this process by the named program from this program's folder;
// returns only by a RunError saying what the program is for and where it is
// installed.
void handOverTo(const char* name, const std::string& purpose, const std::string& where, char** argv) {
  const std::string program = ownFolder() + "/" + name;
  std::fflush(stdout);
  std::fflush(stderr);
  ::execv(program.c_str(), argv);
  const int error = errno;
  throw RunError("Cannot start '" + program + "', " + purpose + ": " + std::strerror(error) + ". " + where);
}

}  // namespace

void runPlotProgram(char** argv) {
  handOverTo("velquin-plot", "which draws the charts", "It is installed beside velquin-cli with the desktop program.",
             argv);
}

void runCalibrateProgram(char** argv) {
  handOverTo("velquin-calibrate", "which calibrates", "It is installed beside velquin-cli.", argv);
}

}  // namespace vk

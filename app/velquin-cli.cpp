// velquin-cli: the headless command line. It runs the same model as the
// desktop program and writes the same files, with progress on stderr.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include <CLI/CLI.hpp>

#include "app/CliCommands.h"
#include "io/RunError.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int runCommandLine(int argc, char** argv) {
  CLI::App app{"VELQUIN KRA - Artificial Market Simulator, headless command line.\n"
               "Runs simulations and summarises result directories; results go to files,\n"
               "progress and diagnostics to stderr."};
  app.set_version_flag("--version", std::string("velquin-cli ") + VELQUIN_VERSION);
  app.require_subcommand(1);
  vk::addRunCommand(app);
  vk::addAnalyzeCommand(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  } catch (const vk::RunError& e) {
    std::fprintf(stderr, "velquin-cli: error: %s\n", e.what());
    return kExitFailed;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "velquin-cli: error: %s\n", e.what());
    return kExitFailed;
  }
  return 0;
}

// The log and the help go to stdout; a write that failed there (a full disk,
// a closed pipe) is only seen when the stream is flushed and closed.
int closeStandardOutput(int status) {
  const bool failed = std::ferror(stdout) != 0;
  errno = 0;
  if (std::fclose(stdout) != 0 || failed) {
    // A command that failed has said why already.
    if (status != 0) return status;
    std::fprintf(stderr, "velquin-cli: error: Cannot write to standard output: %s\n",
                 errno != 0 ? std::strerror(errno) : "write failed");
    return kExitFailed;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // Beyond a file-size limit the kernel would end the process with SIGXFSZ
  // before it could say which file; ignored, the write fails with EFBIG and
  // the error names the file.
  std::signal(SIGXFSZ, SIG_IGN);
  return closeStandardOutput(runCommandLine(argc, argv));
}

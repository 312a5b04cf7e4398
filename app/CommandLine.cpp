// The command line shared by velquin-cli and velquin-plot: parsing, exit
// statuses and error messages.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "app/CliCommands.h"
#include "io/RunError.h"

namespace vk {

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

std::string programName(const char* argv0) {
  const std::string path = argv0 ? argv0 : "velquin-cli";
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The log and the help go to stdout; a write that failed there (a full disk,
// a closed pipe) is only seen when the stream is flushed, or closed.
int endStandardOutput(const std::string& name, int status, bool close) {
  const bool failed = std::ferror(stdout) != 0;
  errno = 0;
  const bool ended = close ? std::fclose(stdout) == 0 : std::fflush(stdout) == 0;
  if (!close) std::clearerr(stdout);
  if (!ended || failed) {
    // A command that failed has said why already.
    if (status != 0) return status;
    std::fprintf(stderr, "%s: error: Cannot write to standard output: %s\n", name.c_str(),
                 errno != 0 ? std::strerror(errno) : "write failed");
    return kExitFailed;
  }
  return status;
}

int parseAndRun(const std::string& name, int argc, char** argv, bool withRun, bool runOnly, const PlotBinding* plotting,
                const CalibrationBinding* calibrating) {
  CLI::App app{
      "VELQUIN KRA - Artificial Market Simulator, headless command line.\n"
      "Runs simulations and summarises result directories; results go to files,\n"
      "progress and diagnostics to stderr."};
  app.set_version_flag("--version", name + " " + VELQUIN_VERSION);
  app.require_subcommand(1);
  if (withRun) addRunCommand(app);
  if (!runOnly) {
    addAnalyzeCommand(app, plotting);
    addSweepCommand(app, withRun, plotting);
    addCalibrateCommand(app, withRun, calibrating, plotting);
  }
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
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: error: %s\n", name.c_str(), e.what());
    return kExitFailed;
  }
  return 0;
}

// The whole command: parsed, run, and standard output closed, or only
// flushed for a worker that runs one command line after another.
int runWhole(int argc, char** argv, bool withRun, bool runOnly, const PlotBinding* plotting,
             const CalibrationBinding* calibrating) {
  // Beyond a file-size limit the kernel would end the process with SIGXFSZ
  // before it could say which file; ignored, the write fails with EFBIG and
  // the error names the file.
  std::signal(SIGXFSZ, SIG_IGN);
  const std::string name = programName(argc > 0 ? argv[0] : nullptr);
  // A command line of `run` alone is a worker's, whose next run writes on.
  const bool close = !runOnly;
  return endStandardOutput(name, parseAndRun(name, argc, argv, withRun, runOnly, plotting, calibrating), close);
}

}  // namespace

int runCommandLine(int argc, char** argv, bool withRun, const PlotBinding* plotting,
                   const CalibrationBinding* calibrating) {
  return runWhole(argc, argv, withRun, false, plotting, calibrating);
}

int runRunCommandLine(int argc, char** argv) { return runWhole(argc, argv, true, true, nullptr, nullptr); }

}  // namespace vk

// velquin-cli: the headless command line. It runs the same model as the
// desktop program and writes the same files, with progress on stderr.
#include <cstdio>
#include <exception>
#include <string>

#include <CLI/CLI.hpp>

#include "app/CliCommands.h"
#include "io/RunError.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

}  // namespace

int main(int argc, char** argv) {
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

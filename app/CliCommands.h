#pragma once
// The subcommands of velquin-cli. Each adds itself to the command line; its
// callback does the work and throws vk::RunError when it fails.
#include <CLI/CLI.hpp>

namespace vk {

void addRunCommand(CLI::App& app);
void addAnalyzeCommand(CLI::App& app);
void addSweepCommand(CLI::App& app);

}  // namespace vk

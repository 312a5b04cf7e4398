// velquin-cli: the headless command line. It runs the same model as the
// desktop program and writes the same files, with progress on stderr. It
// loads no window toolkit: analyze --plot hands the command to velquin-plot.
#include "app/CliCommands.h"

int main(int argc, char** argv) {
#ifdef VELQUIN_PLOTS
  vk::PlotBinding plotting;
  plotting.handOver = [argv] { vk::runPlotProgram(argv); };
  return vk::runCommandLine(argc, argv, true, &plotting);
#else
  return vk::runCommandLine(argc, argv, true, nullptr);
#endif
}

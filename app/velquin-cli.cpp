// velquin-cli: the headless command line. It runs the same model as the
// desktop program and writes the same files, with progress on stderr. It
// loads no window toolkit: analyze --plot hands the command to velquin-plot.
// Nor does it load the calibration's search: calibrate hands the command to
// velquin-calibrate.
#include "app/CliCommands.h"

int main(int argc, char** argv) {
  vk::CalibrationBinding calibrating;
  calibrating.handOver = [argv] { vk::runCalibrateProgram(argv); };
#ifdef VELQUIN_PLOTS
  vk::PlotBinding plotting;
  plotting.handOver = [argv] { vk::runPlotProgram(argv); };
  return vk::runCommandLine(argc, argv, true, &plotting, &calibrating);
#else
  return vk::runCommandLine(argc, argv, true, nullptr, &calibrating);
#endif
}

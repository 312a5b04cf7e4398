// The experiment and calibration description readers over one input, read as
// an experiment's sweep.toml and as a calibration's calibrate.toml beside a
// copy of the demo's inputs ("demo"), so that names, ranges, files and moments
// are checked against a real market.
#include <cstdint>
#include <filesystem>
#include <string>

#include "calibration/CalibrationDescription.h"
#include "experiment/Description.h"
#include "fuzz/FuzzFiles.h"
#include "io/RunError.h"

namespace {

namespace fs = std::filesystem;

void copyDemoOnce() {
  static const bool copied = [] {
    const fs::path demo = vk::fuzz::scratchDirectory() / "demo";
    fs::create_directories(demo);
    for (const char* name : {"para.txt", "wdata.txt", "wdata-plain.txt", "price.txt", "data.txt"})
      fs::copy_file(fs::path(VELQUIN_DEMO_DIR) / name, demo / name, fs::copy_options::overwrite_existing);
    return true;
  }();
  (void)copied;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  copyDemoOnce();
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string sweep = vk::fuzz::writeScratchFile("sweep.toml", text);
  const std::string calibration = vk::fuzz::writeScratchFile("calibrate.toml", text);
  vk::fuzz::refusedOrDone([&] { vk::readDescription(sweep); });
  vk::fuzz::refusedOrDone([&] { vk::readCalibrationDescription(calibration); });
  return 0;
}

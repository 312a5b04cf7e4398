#pragma once
// A small experiment's inputs in a scratch folder: the demo's price, data
// and weight structure files and a para.txt of short runs.
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/run/TempDir.h"

namespace vk::testing {

inline std::string readWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// 12 agents, weeks 53..90 of which 20 train, two training passes, three
// paths in mode write.
inline std::string smallParameters(const std::string& mode = "write") {
  return "0.00435\n6\n0.01088\n0.02176\n0.01538\n12\n53\n90\n20\n"
         "0.6\n0.02\n0.5\n0.3\n0.01\n0.25\n3\n2\n" +
         mode + "\n";
}

class ExperimentInputs {
 public:
  ExperimentInputs() {
    std::filesystem::create_directories(dir.path() / "in");
    for (const char* name : {"price.txt", "data.txt", "wdata.txt", "wdata-plain.txt"})
      dir.write(std::string("in/") + name, readWholeFile(std::filesystem::path(VELQUIN_DEMO_DIR) / name));
    dir.write("in/para.txt", smallParameters());
  }

  // Writes the description as sweep.toml and returns its path.
  std::string description(const std::string& text) const {
    dir.write("sweep.toml", text);
    return dir.file("sweep.toml");
  }

  TempDir dir;
};

}  // namespace vk::testing

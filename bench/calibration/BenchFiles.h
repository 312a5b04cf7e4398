#pragma once
// Whole small files for the calibration benches: their descriptions and
// parameter files in, their outputs back for comparison.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace bench {

inline std::string readText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeText(const std::filesystem::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}

}  // namespace bench

#pragma once
// A scratch directory of the harness process and a way to cut one input into
// the several files a reader or a summary needs.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "io/RunError.h"

namespace vk::fuzz {

inline const std::filesystem::path& scratchDirectory() {
  static const std::filesystem::path dir = [] {
    const auto path = std::filesystem::temp_directory_path() / ("velquin-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    return path;
  }();
  return dir;
}

inline std::string writeScratchFile(const std::string& name, const std::string& text) {
  const std::string path = (scratchDirectory() / name).string();
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  return path;
}

// The input split at each "\n====\n": the first piece for the first file,
// and so on; missing pieces are empty files.
inline std::vector<std::string> piecesOf(const std::string& text, std::size_t count) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (pieces.size() + 1 < count) {
    const std::size_t end = text.find("\n====\n", start);
    if (end == std::string::npos) break;
    pieces.push_back(text.substr(start, end - start + 1));
    start = end + 6;
  }
  pieces.push_back(text.substr(std::min(start, text.size())));
  pieces.resize(count);
  return pieces;
}

// Runs a reader or a summary, for which refusing the input with a RunError
// is a right answer; anything else escapes and ends the harness.
template <class F>
void refusedOrDone(F readOrSummarise) {
  try {
    readOrSummarise();
  } catch (const vk::RunError&) {
  }
}

}  // namespace vk::fuzz

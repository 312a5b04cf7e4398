// The result-line reader: any bytes as a line, split into fields and each
// field converted as an integer and a real.
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/ResultLine.h"
#include "io/RunError.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> fields = vk::splitResultLine(line);
  (void)vk::splitDelimited(line, '.');
  for (int i = 0; i <= static_cast<int>(fields.size()) && i < 16; ++i) {
    try {
      (void)vk::intField(fields, i, "r0000.csv", 1);
    } catch (const vk::RunError&) {
    }
    try {
      (void)vk::realField(fields, i, "r0000.csv", 1);
    } catch (const vk::RunError&) {
    }
  }
  return 0;
}

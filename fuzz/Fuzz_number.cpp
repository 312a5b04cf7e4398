// The number reader: any bytes as a token, and as a whole file read value by
// value. A decimal the fast path accepts must read exactly as strtod reads it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "io/RunError.h"
#include "io/TextReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  double real = 0;
  if (vk::parseReal(text, real) && std::strlen(text.c_str()) == text.size()) {
    const double reference = std::strtod(text.c_str(), nullptr);
    if (real != reference && !(real != real && reference != reference)) std::abort();
  }
  int whole = 0;
  if (vk::parseInt(text, whole) && std::strtoll(text.c_str(), nullptr, 10) != whole) std::abort();
  (void)vk::quoted(text);
  try {
    vk::TextReader in("fuzz.txt", text);
    for (int i = 0; i < 64 && in.skipToNextValue(); ++i) {
      if (i % 3 == 0)
        (void)in.readInt();
      else
        (void)in.readReal();
      if (i % 5 == 0) in.skipLine();
    }
    in.rewind();
    (void)in.readLineText(30);
  } catch (const vk::RunError&) {
  }
  return 0;
}

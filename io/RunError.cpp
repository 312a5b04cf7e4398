#include "io/RunError.h"

#include <cstdio>
#include <cstring>

namespace vk {

namespace {

void appendVisible(std::string& out, unsigned char c) {
  switch (c) {
    case '\n':
      out += "\\n";
      return;
    case '\t':
      out += "\\t";
      return;
    case '\r':
      out += "\\r";
      return;
    default:
      break;
  }
  if (c < 0x20 || c == 0x7f) {
    char code[5];
    std::snprintf(code, sizeof code, "\\x%02X", c);
    out += code;
  } else {
    out += static_cast<char>(c);
  }
}

bool isUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

void throwFileError(const std::string& action, const std::string& path, int errnoValue) {
  throw RunError("Cannot " + action + " " + quoted(path, std::string::npos) + ": " + std::strerror(errnoValue));
}

std::string quoted(const std::string& text, std::size_t maxBytes) {
  std::size_t shown = text.size();
  if (shown > maxBytes) {
    shown = maxBytes;
    while (shown > 0 && isUtf8Continuation(text[shown])) --shown;
  }
  std::string out = "'";
  for (std::size_t i = 0; i < shown; ++i) appendVisible(out, static_cast<unsigned char>(text[i]));
  out += shown < text.size() ? "...' (" + std::to_string(text.size()) + " bytes)" : "'";
  return out;
}

}  // namespace vk

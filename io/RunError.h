#pragma once
// The one error type of the core: a failed file operation, an unparsable
// number or an impossible parameter. It ends the current action; the message
// names the file, the line and the offending text where there is one.
#include <cstddef>
#include <stdexcept>
#include <string>

namespace vk {

class RunError : public std::runtime_error {
 public:
  explicit RunError(const std::string& message) : std::runtime_error(message) {}
};

// "Cannot open file 'x' for reading: No such file or directory"
[[noreturn]] void throwFileError(const std::string& action, const std::string& path, int errnoValue);

// Offending text as a message quotes it: in single quotes, control bytes
// shown as \n, \t, \r or \xNN, and cut after maxBytes bytes (never inside a
// UTF-8 character) with "..." and the whole length. A NUL byte or a huge
// token would otherwise cut the message short or swamp it.
constexpr std::size_t kQuotedBytes = 40;
std::string quoted(const std::string& text, std::size_t maxBytes = kQuotedBytes);

}  // namespace vk

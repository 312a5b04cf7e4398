#pragma once
// The one error type of the core: a failed file operation, an unparsable
// number or an impossible parameter. It ends the current action; the message
// names the file, the line and the offending text where there is one.
#include <stdexcept>
#include <string>

namespace vk {

class RunError : public std::runtime_error {
 public:
  explicit RunError(const std::string& message) : std::runtime_error(message) {}
};

// "Cannot open file 'x' for reading: No such file or directory"
[[noreturn]] void throwFileError(const std::string& action, const std::string& path, int errnoValue);

}  // namespace vk

#include "io/RunError.h"

#include <cstring>

namespace vk {

void throwFileError(const std::string& action, const std::string& path, int errnoValue) {
  throw RunError("Cannot " + action + " '" + path + "': " + std::strerror(errnoValue));
}

}  // namespace vk

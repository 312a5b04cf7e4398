#include "io/AtomicFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "io/OutputFile.h"
#include "io/RunError.h"

namespace vk {

void writeFileAtomically(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".tmp" + std::to_string(::getpid());
  try {
    OutputFile file;
    file.create(temporary);
    file.write(text);
    file.close();
  } catch (...) {
    std::remove(temporary.c_str());
    throw;
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    std::remove(temporary.c_str());
    throwFileError("replace", path, error);
  }
}

}  // namespace vk

#include "io/AtomicFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "io/RunError.h"

namespace vk {

AtomicOutput::AtomicOutput(const std::string& path)
    : path_(path), temporary_(path + ".tmp" + std::to_string(::getpid())) {
  file_.create(temporary_);
}

AtomicOutput::~AtomicOutput() {
  if (committed_) return;
  file_ = OutputFile();
  std::remove(temporary_.c_str());
}

void AtomicOutput::commit() {
  file_.close();
  if (std::rename(temporary_.c_str(), path_.c_str()) != 0) throwFileError("replace", path_, errno);
  committed_ = true;
}

void writeFileAtomically(const std::string& path, const std::string& text) {
  AtomicOutput file(path);
  file.write(text);
  file.commit();
}

}  // namespace vk

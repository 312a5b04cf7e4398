#include "io/OutputFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "io/RunError.h"

namespace vk {

OutputFile::OutputFile(OutputFile&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), path_(std::move(other.path_)) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this != &other) {
    if (file_) std::fclose(file_);
    file_ = std::exchange(other.file_, nullptr);
    path_ = std::move(other.path_);
  }
  return *this;
}

OutputFile::~OutputFile() {
  if (file_) std::fclose(file_);
}

void OutputFile::create(const std::string& path) {
  if (file_) close();
  path_ = path;
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) throwFileError("create file", path, errno);
}

void OutputFile::createLocked(const std::string& path) {
  if (file_) close();
  path_ = path;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) throwFileError("create file", path, errno);
  int locked;
  do {
    locked = ::flock(fd, LOCK_EX);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0 || ::ftruncate(fd, 0) != 0) {
    const int error = errno;
    ::close(fd);
    throwFileError("create file", path, error);
  }
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    const int error = errno;
    ::close(fd);
    throwFileError("create file", path, error);
  }
}

void OutputFile::write(const char* text) {
  const std::size_t n = std::strlen(text);
  if (!file_) {
    errno = EBADF;
    fail("write to file");
  }
  if (std::fwrite(text, 1, n, file_) != n) fail("write to file");
}

void OutputFile::write(const std::string& text) {
  if (!file_) {
    errno = EBADF;
    fail("write to file");
  }
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) fail("write to file");
}

void OutputFile::flush() {
  if (file_ && std::fflush(file_) != 0) fail("write to file");
}

void OutputFile::close() {
  if (!file_) return;
  std::FILE* f = std::exchange(file_, nullptr);
  if (std::fclose(f) != 0) throwFileError("close file", path_, errno);
}

void OutputFile::fail(const char* action) { throwFileError(action, path_, errno); }

std::string checkedFileName(const std::string& name) {
  if (name.size() > static_cast<std::size_t>(kMaxFileNameLength))
    throw RunError("The file name " + quoted(name, std::string::npos) + " is " + std::to_string(name.size()) +
                   " bytes long; a run supports names of at most " + std::to_string(kMaxFileNameLength) +
                   " bytes (a character outside ASCII takes two or more). Choose a shorter result directory.");
  return name;
}

}  // namespace vk

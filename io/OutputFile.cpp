#include "io/OutputFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "io/RunError.h"

namespace vk {

OutputFile::OutputFile(OutputFile&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)),
      path_(std::move(other.path_)),
      target_(std::move(other.target_)),
      temporary_(std::exchange(other.temporary_, std::string())) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this != &other) {
    if (file_) std::fclose(file_);
    discardTemporary();
    file_ = std::exchange(other.file_, nullptr);
    path_ = std::move(other.path_);
    target_ = std::move(other.target_);
    temporary_ = std::exchange(other.temporary_, std::string());
  }
  return *this;
}

OutputFile::~OutputFile() {
  if (file_) std::fclose(file_);
  discardTemporary();
}

void OutputFile::create(const std::string& path) {
  if (file_) close();
  path_ = path;
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) throwFileError("create file", path, errno);
}

namespace {

// Temporary names differ between the threads of one process, too.
std::atomic<unsigned> temporaryCount{0};

bool isStandardOutput(const std::string& path) { return path == "-" || path == "/dev/stdout"; }

}  // namespace

void OutputFile::createReplacing(const std::string& path) {
  if (file_) close();
  discardTemporary();
  path_ = path;
  if (isStandardOutput(path)) {
    const int fd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    file_ = fd < 0 ? nullptr : ::fdopen(fd, "wb");
    if (!file_) {
      const int error = errno;
      if (fd >= 0) ::close(fd);
      throwFileError("write to", "standard output", error);
    }
    return;
  }
  target_ = path;
  struct stat link;
  if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
      throw RunError("Cannot write " + quoted(path, std::string::npos) +
                     ": it is a symbolic link to a file that cannot be reached (" + std::strerror(errno) +
                     "); the link is left as it is");
    target_ = resolved;
    std::free(resolved);
  }
  struct stat info;
  const bool exists = ::stat(target_.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) {
    // A pipe or a device is written where it is; renaming over it would
    // replace the node itself.
    target_.clear();
    create(path);
    return;
  }
  const int fd = [this, exists, &info] {
    for (;;) {
      temporary_ = target_ + ".tmp" + std::to_string(::getpid()) + "." + std::to_string(temporaryCount++);
      const int opened = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (opened >= 0 || errno != EEXIST) return opened;
    }
  }();
  if (fd < 0) {
    const int error = errno;
    temporary_.clear();
    throwFileError("create file", path, error);
  }
  // The replacement keeps the permissions of the file it replaces.
  if (exists) static_cast<void>(::fchmod(fd, info.st_mode & 07777));
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    const int error = errno;
    ::close(fd);
    discardTemporary();
    throwFileError("create file", path, error);
  }
}

void OutputFile::commit() {
  try {
    close();
  } catch (...) {
    discardTemporary();
    throw;
  }
  if (temporary_.empty()) return;
  if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    const int error = errno;
    discardTemporary();
    throwFileError("replace", path_, error);
  }
  temporary_.clear();
}

void OutputFile::discardTemporary() {
  if (temporary_.empty()) return;
  std::remove(temporary_.c_str());
  temporary_.clear();
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

void refuseInputAsOutput(const std::string& output, const std::vector<std::string>& inputs) {
  struct stat out;
  if (::stat(output.c_str(), &out) != 0) return;
  for (const std::string& input : inputs) {
    struct stat in;
    if (::stat(input.c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino)
      throw RunError(
          "The output file " + quoted(output, std::string::npos) + " is " +
          (input == output ? "one of this command's inputs" : "the input " + quoted(input, std::string::npos)) +
          "; writing it would destroy what the command reads. Choose another output file.");
  }
}

std::string checkedFileName(const std::string& name) {
  if (name.size() > static_cast<std::size_t>(kMaxFileNameLength))
    throw RunError("The file name " + quoted(name, std::string::npos) + " is " + std::to_string(name.size()) +
                   " bytes long; a run supports names of at most " + std::to_string(kMaxFileNameLength) +
                   " bytes (a character outside ASCII takes two or more). Choose a shorter result directory.");
  return name;
}

}  // namespace vk

#pragma once
// A text file being written. Every operation is checked: a failed create,
// write, flush or close is a RunError naming the file. What was written
// before a failure stays in the file.
#include <cstdio>
#include <string>

namespace vk {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&& other) noexcept;
  // Closes without checking; an unchecked close only happens after a failure.
  ~OutputFile();

  // Creates the file, replacing any old one.
  void create(const std::string& path);
  // The same for a file that other processes may be writing at the same
  // time (a summary of the same directory): waits for the file's exclusive
  // lock before emptying it, so that the two never mix their lines. The lock
  // is held until the file is closed.
  void createLocked(const std::string& path);
  void write(const std::string& text);
  void write(const char* text);
  void flush();
  // Closing a file that is not open does nothing.
  void close();

  bool isOpen() const { return file_ != nullptr; }
  const std::string& path() const { return path_; }

 private:
  [[noreturn]] void fail(const char* action);

  std::FILE* file_ = nullptr;
  std::string path_;
};

// The longest per-path or loading file name a run composes, in bytes.
constexpr int kMaxFileNameLength = 30;

// Composes a per-path or loading file name and refuses one longer than
// kMaxFileNameLength, before any file is written under it.
std::string checkedFileName(const std::string& name);

}  // namespace vk

#pragma once
// A text file being written. Every operation is checked: a failed create,
// write, flush or close is a RunError naming the file. What was written
// before a failure stays in the file.
#include <cstdio>
#include <string>
#include <vector>

namespace vk {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&& other) noexcept;
  // Closes without checking; an unchecked close only happens after a
  // failure, and then a replacing file's temporary is removed.
  ~OutputFile();

  // Creates the file, replacing any old one.
  void create(const std::string& path);
  // Starts a whole file that replaces `path` only once it is complete: it is
  // written under a temporary name beside the file, and commit() renames it
  // into place. Until then the old file stays as it was, also when the writer
  // fails or ends; two writers of the same file never mix their lines. A
  // symbolic link stays a link: the file it names is replaced. A target that
  // is no regular file (a pipe, a device; "-" is standard output) is written
  // in place. Messages name `path`, never the temporary name.
  void createReplacing(const std::string& path);
  // Flushes and closes the file and, when it replaces another, renames it
  // into place.
  void commit();
  void write(const std::string& text);
  void write(const char* text);
  void flush();
  // Closing a file that is not open does nothing.
  void close();

  bool isOpen() const { return file_ != nullptr; }
  const std::string& path() const { return path_; }

 private:
  [[noreturn]] void fail(const char* action);

  void discardTemporary();

  std::FILE* file_ = nullptr;
  std::string path_;
  // The file a replacing writer renames its temporary onto, and the temporary.
  std::string target_;
  std::string temporary_;
};

// Refuses to write `output` when it is one of `inputs` (the same file by
// device and inode, however it is named): the command would destroy what it
// reads. Files that do not exist are no conflict.
void refuseInputAsOutput(const std::string& output, const std::vector<std::string>& inputs);

// The longest per-path or loading file name a run composes, in bytes.
constexpr int kMaxFileNameLength = 30;

// Composes a per-path or loading file name and refuses one longer than
// kMaxFileNameLength, before any file is written under it.
std::string checkedFileName(const std::string& name);

}  // namespace vk

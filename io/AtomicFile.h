#pragma once
// A whole file written under a temporary name beside it and renamed into
// place, so that a reader sees the old file or the complete new one, never
// half of it. A failure names the file and leaves no temporary behind. Links,
// pipes and devices are treated as OutputFile::createReplacing says.
#include <string>

#include "io/OutputFile.h"

namespace vk {

void writeFileAtomically(const std::string& path, const std::string& text);

// The same for a file written piece by piece, too large to hold whole.
// Nothing replaces the file until commit; dropped before it, the temporary
// is removed and the old file stays as it was.
class AtomicOutput {
 public:
  explicit AtomicOutput(const std::string& path);
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;

  void write(const std::string& text) { file_.write(text); }
  // Closes the temporary and renames it into place.
  void commit();

 private:
  OutputFile file_;
};

}  // namespace vk

#include "io/AtomicFile.h"

namespace vk {

AtomicOutput::AtomicOutput(const std::string& path) { file_.createReplacing(path); }

void AtomicOutput::commit() { file_.commit(); }

void writeFileAtomically(const std::string& path, const std::string& text) {
  AtomicOutput file(path);
  file.write(text);
  file.commit();
}

}  // namespace vk

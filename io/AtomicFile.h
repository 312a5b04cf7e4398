#pragma once
// A whole file written under a temporary name beside it and renamed into
// place, so that a reader sees the old file or the complete new one, never
// half of it. A failure names the file and leaves no temporary behind.
#include <string>

namespace vk {

void writeFileAtomically(const std::string& path, const std::string& text);

}  // namespace vk

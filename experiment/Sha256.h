#pragma once
// SHA-256, to record which input files an experiment ran on: the same hex
// digest as sha256sum gives, so a user can check an input by hand.
#include <cstdint>
#include <string>

namespace vk {

std::string sha256Hex(const std::string& bytes);
// The digest of a whole file; a file that cannot be read is a RunError.
std::string sha256OfFile(const std::string& path);

}  // namespace vk

#include "experiment/Sha256.h"

#include <nettle/sha2.h>

#include <cerrno>
#include <cstdio>

#include "io/RunError.h"

namespace vk {

struct Sha256::Context {
  sha256_ctx state;
};

Sha256::Sha256() : context_(std::make_unique<Context>()) { sha256_init(&context_->state); }

Sha256::~Sha256() = default;

void Sha256::add(const char* bytes, std::size_t size) {
  sha256_update(&context_->state, size, reinterpret_cast<const uint8_t*>(bytes));
}

std::string Sha256::hex() {
  uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_digest(&context_->state, SHA256_DIGEST_SIZE, digest);
  static const char* const digits = "0123456789abcdef";
  std::string text;
  for (uint8_t byte : digest) {
    text += digits[byte >> 4];
    text += digits[byte & 0xf];
  }
  return text;
}

std::string sha256Hex(const std::string& bytes) {
  Sha256 digest;
  digest.add(bytes);
  return digest.hex();
}

std::string sha256OfFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) throwFileError("open file for reading", path, errno);
  Sha256 digest;
  char buffer[1 << 16];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) digest.add(buffer, n);
  const bool failed = std::ferror(file) != 0;
  const int error = errno;
  std::fclose(file);
  if (failed) throwFileError("read file", path, error);
  return digest.hex();
}

}  // namespace vk

#include "experiment/Sha256.h"

#include <openssl/evp.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>

#include "io/RunError.h"

namespace vk {

struct Sha256::Context {
  EVP_MD_CTX* md = EVP_MD_CTX_new();
  ~Context() { EVP_MD_CTX_free(md); }
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
  if (!context_->md || EVP_DigestInit_ex(context_->md, EVP_sha256(), nullptr) != 1)
    throw std::runtime_error("SHA-256 is not available from the crypto library");
}

Sha256::~Sha256() = default;

void Sha256::add(const char* bytes, std::size_t size) {
  if (EVP_DigestUpdate(context_->md, bytes, size) != 1) throw std::runtime_error("SHA-256 update failed");
}

std::string Sha256::hex() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context_->md, digest, &length) != 1) throw std::runtime_error("SHA-256 failed");
  static const char* const digits = "0123456789abcdef";
  std::string text;
  for (unsigned int i = 0; i < length; ++i) {
    text += digits[digest[i] >> 4];
    text += digits[digest[i] & 0xf];
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

#pragma once
// SHA-256, to record which input files an experiment ran on: the same hex
// digest as sha256sum gives, so a user can check an input by hand.
#include <cstddef>
#include <memory>
#include <string>

namespace vk {

// A digest fed piece by piece, so that a plan of a million runs is hashed
// without ever being held whole.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void add(const char* bytes, std::size_t size);
  void add(const std::string& bytes) { add(bytes.data(), bytes.size()); }
  // The digest in lowercase hex; the object is spent.
  std::string hex();

 private:
  struct Context;
  std::unique_ptr<Context> context_;
};

std::string sha256Hex(const std::string& bytes);
// The digest of a whole file; a file that cannot be read is a RunError.
std::string sha256OfFile(const std::string& path);

}  // namespace vk

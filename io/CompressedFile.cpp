#include "io/CompressedFile.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "io/AtomicFile.h"
#include "io/RunError.h"

namespace vk {

namespace {

// Level 6 packs a summary of some kilobytes to within a few bytes of the
// slowest level.
constexpr int kLevel = 6;
// A summary is some kilobytes; anything that unpacks past this is no summary.
constexpr std::size_t kLargestText = std::size_t{1} << 30;
// A gzip member: a header of 10 bytes at least, a trailer of 8 whose last 4
// hold the unpacked size.
constexpr std::size_t kSmallestMember = 18;
// Deflate packs at most 1032 bytes into one, so a trailer giving more than
// that for the data before it is damaged; believing it would set aside up to
// a gigabyte for a file of a few bytes.
constexpr std::size_t kMostUnpackedPerPackedByte = 1032;

// Made once for the process: a sweep packs, and a collect unpacks, the two
// summaries of every run.
libdeflate_compressor& compressor() {
  thread_local const std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> made(
      libdeflate_alloc_compressor(kLevel), libdeflate_free_compressor);
  if (!made) throw RunError("Cannot compress: out of memory");
  return *made;
}

libdeflate_decompressor& decompressor() {
  thread_local const std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> made(
      libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
  if (!made) throw RunError("Cannot decompress: out of memory");
  return *made;
}

// A regular file's bytes; a pipe or a device is refused, as the text reader does.
std::string wholeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throwFileError("open file for reading", path, errno);
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    throw RunError("Cannot read '" + path + "': it is not a regular file");
  }
  std::string bytes;
  char block[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      throwFileError("read file", path, error);
    }
    if (n == 0) break;
    bytes.append(block, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return bytes;
}

std::string compressed(const std::string& text, const std::string& path) {
  std::string out(libdeflate_gzip_compress_bound(&compressor(), text.size()), '\0');
  const std::size_t size = libdeflate_gzip_compress(&compressor(), text.data(), text.size(), out.data(), out.size());
  if (size == 0) throw RunError("Cannot compress '" + path + "': the bound of its size was exceeded");
  out.resize(size);
  return out;
}

std::string uncompressed(const std::string& bytes, const std::string& path) {
  if (bytes.size() < kSmallestMember) throw RunError("Cannot read '" + path + "': the compressed data is cut short");
  std::size_t size = 0;
  for (int i = 1; i <= 4; ++i) size = size << 8 | static_cast<unsigned char>(bytes[bytes.size() - i]);
  if (size > kLargestText) throw RunError("Cannot read '" + path + "': it unpacks to more than a summary holds");
  if (size > bytes.size() * kMostUnpackedPerPackedByte)
    throw RunError("Cannot read '" + path + "': the compressed data is damaged; its trailer gives a size of " +
                   std::to_string(size) + " bytes that its " + std::to_string(bytes.size()) + " bytes cannot hold");
  std::string text(size, '\0');
  std::size_t used = 0;
  // With no place for the unpacked size given, anything but exactly the
  // size the trailer says fails.
  const libdeflate_result result =
      libdeflate_gzip_decompress_ex(&decompressor(), bytes.data(), bytes.size(), text.data(), size, &used, nullptr);
  if (result != LIBDEFLATE_SUCCESS)
    throw RunError("Cannot read '" + path + "': the compressed data is cut short or damaged");
  if (used != bytes.size()) throw RunError("Cannot read '" + path + "': something follows the compressed data");
  return text;
}

bool exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

void compressFile(const std::string& path) {
  const std::string target = path + kCompressedSuffix;
  writeFileAtomically(target, compressed(wholeFile(path), target));
  if (::unlink(path.c_str()) != 0) throwFileError("remove file", path, errno);
}

TextReader openPlainOrCompressed(const std::string& path) {
  const std::string packed = path + kCompressedSuffix;
  if (exists(path) || !exists(packed)) return TextReader::open(path);
  return TextReader(packed, uncompressed(wholeFile(packed), packed));
}

bool plainOrCompressedExists(const std::string& path) { return exists(path) || exists(path + kCompressedSuffix); }

}  // namespace vk

#include "io/CompressedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>

#include "io/AtomicFile.h"
#include "io/RunError.h"

namespace vk {

namespace {

// Window bits plus 16: the gzip wrapper, whose header zlib writes without a
// time or a name, the same on every run. A summary of some kilobytes packs
// as small in a window of 4 KB and with less memory as in the largest,
// which takes longer to set up than to compress it.
constexpr int kGzipWindowBits = 12 + 16;
constexpr int kMemoryLevel = 6;
// Any window: what zlib or gzip wrote, with any settings.
constexpr int kGzipReadWindowBits = 15 + 16;
// A summary is some kilobytes; anything that unpacks past this is no summary.
constexpr std::size_t kLargestText = std::size_t{1} << 30;

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
  z_stream z{};
  if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kGzipWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY) != Z_OK)
    throw RunError("Cannot compress '" + path + "': the compressor could not start");
  std::string out(deflateBound(&z, text.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  if (result != Z_STREAM_END) throw RunError("Cannot compress '" + path + "': " + (z.msg ? z.msg : "no room"));
  return out;
}

std::string uncompressed(const std::string& bytes, const std::string& path) {
  z_stream z{};
  if (inflateInit2(&z, kGzipReadWindowBits) != Z_OK)
    throw RunError("Cannot read '" + path + "': the decompressor could not start");
  std::string text;
  char block[1 << 16];
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  int result = Z_OK;
  while (result == Z_OK && text.size() <= kLargestText) {
    z.next_out = reinterpret_cast<Bytef*>(block);
    z.avail_out = sizeof block;
    result = inflate(&z, Z_NO_FLUSH);
    text.append(block, sizeof block - z.avail_out);
  }
  const std::string message = z.msg ? z.msg : "";
  inflateEnd(&z);
  if (result != Z_STREAM_END)
    throw RunError("Cannot read '" + path + "': " +
                   (text.size() > kLargestText ? std::string("it unpacks to more than a summary holds")
                    : message.empty()          ? std::string("the compressed data is cut short")
                                               : "the compressed data is damaged (" + message + ")"));
  if (z.avail_in != 0) throw RunError("Cannot read '" + path + "': something follows the compressed data");
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

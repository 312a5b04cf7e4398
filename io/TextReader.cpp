#include "io/TextReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "io/RunError.h"

namespace vk {

namespace {

bool isSeparator(char c) { return static_cast<unsigned char>(c) <= ' '; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// sign? digits+
bool matchesInteger(std::string_view t) {
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  const std::size_t first = i;
  while (i < t.size() && isDigit(t[i])) ++i;
  return i > first && i == t.size();
}

// sign? (digits [. digits?] | . digits) ([eE] sign? digits)?
bool matchesReal(std::string_view t) {
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < t.size() && isDigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && isDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    const std::size_t first = i;
    while (i < t.size() && isDigit(t[i])) ++i;
    if (i == first) return false;
  }
  return i == t.size();
}

// Powers of ten that a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A plain decimal of at most 15 digits, such as the result files hold: its
// digits form an exact integer and the power of ten is exact, so one division
// gives the correctly rounded value, the same as from_chars, in about a third
// of its time. Anything else is left to from_chars.
bool parseShortDecimal(std::string_view t, double& value) {
  std::size_t i = 0;
  const bool negative = !t.empty() && t[0] == '-';
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) ++i;
  std::uint64_t digits = 0;
  int count = 0, decimals = 0;
  bool point = false;
  for (; i < t.size(); ++i) {
    const char c = t[i];
    if (isDigit(c)) {
      if (++count > 15) return false;
      digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
      if (point) ++decimals;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (count == 0) return false;
  const double magnitude = static_cast<double>(digits) / kExactPowersOfTen[decimals];
  value = negative ? -magnitude : magnitude;
  return true;
}

// Whether a number of matchesReal's form, without its sign, is 1 or more in
// magnitude: the place of its first non-zero digit plus its exponent, which
// saturates when it is beyond any range.
bool atLeastOne(const char* first, const char* last) {
  const char* e = std::find_if(first, last, [](char c) { return c == 'e' || c == 'E'; });
  const char* point = std::find(first, e, '.');
  const char* digit = std::find_if(first, e, [](char c) { return c >= '1' && c <= '9'; });
  if (digit == e) return false;  // zero
  const long long place = digit < point ? point - digit - 1 : -(digit - point);
  long long exponent = 0;
  if (e != last) {
    const char* from = e + 1 + (e[1] == '+');
    if (std::from_chars(from, last, exponent).ec != std::errc())
      exponent = *from == '-' ? std::numeric_limits<long long>::min() / 2 : std::numeric_limits<long long>::max() / 2;
  }
  return place + exponent >= 0;
}

}  // namespace

bool parseInt(std::string_view text, int& value) {
  if (!matchesInteger(text)) return false;
  // Nine digits or fewer never leave int's range and are summed here, faster
  // than from_chars; a data file is read a week at a time on every path.
  const std::size_t first = text[0] == '+' || text[0] == '-' ? 1 : 0;
  if (text.size() - first <= 9) {
    int v = 0;
    for (std::size_t i = first; i < text.size(); ++i) v = v * 10 + (text[i] - '0');
    value = text[0] == '-' ? -v : v;
    return true;
  }
  return std::from_chars(text.data() + (text[0] == '+'), text.data() + text.size(), value).ec == std::errc();
}

bool parseReal(std::string_view text, double& value) {
  if (parseShortDecimal(text, value)) return true;
  if (!matchesReal(text)) return false;
  // from_chars rounds correctly, as strtod does, and knows no locale: a
  // desktop program takes its user's, whose decimal point may be a comma.
  const char* first = text.data() + (text[0] == '+');
  const char* last = text.data() + text.size();
  const std::from_chars_result read = std::from_chars(first, last, value);
  if (read.ec == std::errc()) return true;
  // Beyond double's range: too large is refused, too small reads as zero.
  if (atLeastOne(first + (*first == '-'), last)) return false;
  value = *first == '-' ? -0.0 : 0.0;
  return true;
}

namespace {

// Read ahead in blocks of this size; what is read stays for rewind.
constexpr std::size_t kBlockSize = 1 << 16;
// Past the size the file had when opened: its end, or what it has grown by.
constexpr std::size_t kSmallBlockSize = 1 << 12;

const char kByteOrderMark[] = "\xEF\xBB\xBF";

const char* kindOfFile(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a pipe";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

}  // namespace

struct TextReader::Source {
  explicit Source(int descriptor) : fd(descriptor) {}
  ~Source() { ::close(fd); }
  int fd;
  std::size_t size = 0;  // when opened
};

TextReader TextReader::open(const std::string& path) {
  // Without O_NONBLOCK, opening a pipe would wait for a writer forever.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throwFileError("open file for reading", path, errno);
  auto source = std::make_unique<Source>(fd);
  struct stat info;
  if (::fstat(fd, &info) != 0) throwFileError("read file", path, errno);
  source->size = static_cast<std::size_t>(info.st_size);
  if (!S_ISREG(info.st_mode))
    throw RunError("Cannot read " + quoted(path, std::string::npos) + ": it is " + kindOfFile(info.st_mode) +
                   ", not a regular file");
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) throwFileError("read file", path, errno);
  TextReader reader;
  reader.name_ = path;
  reader.source_ = std::move(source);
  reader.skipByteOrderMark();
  reader.refuseCarriageReturnsAlone();
  return reader;
}

TextReader::TextReader() = default;
TextReader::TextReader(TextReader&&) noexcept = default;
TextReader& TextReader::operator=(TextReader&&) noexcept = default;
TextReader::~TextReader() = default;

TextReader::TextReader(std::string name, std::string text) : name_(std::move(name)), text_(std::move(text)) {
  skipByteOrderMark();
  refuseCarriageReturnsAlone();
}

void TextReader::readBlock() const {
  const std::size_t old = text_.size();
  // A small file is read whole, with a byte more to find its end, rather
  // than into a large block that must first be cleared: a collect reads two
  // files of every run.
  const std::size_t block = source_->size > old ? std::min(source_->size - old + 1, kBlockSize) : kSmallBlockSize;
  text_.resize(old + block);
  ssize_t n;
  do {
    n = ::read(source_->fd, &text_[old], block);
  } while (n < 0 && errno == EINTR);
  const int error = errno;
  text_.resize(old + static_cast<std::size_t>(n > 0 ? n : 0));
  if (n < 0) {
    source_.reset();
    throwFileError("read file", name_, error);
  }
  if (n == 0) source_.reset();
}

bool TextReader::available(std::size_t p) const {
  while (p >= text_.size() && source_) readBlock();
  return p < text_.size();
}

bool TextReader::endsWithLineEnd() const {
  while (source_) readBlock();
  return text_.empty() || text_.back() == '\n';
}

void TextReader::skipByteOrderMark() {
  const std::size_t length = sizeof kByteOrderMark - 1;
  available(length - 1);
  if (text_.compare(0, length, kByteOrderMark) == 0) start_ = pos_ = length;
}

void TextReader::refuseCarriageReturnsAlone() const {
  std::size_t p = pos_;
  while (available(p) && text_[p] != '\r' && text_[p] != '\n') ++p;
  if (available(p + 1) && text_[p] == '\r' && text_[p + 1] != '\n')
    throw RunError(quoted(name_, std::string::npos) +
                   " has no line feeds: its lines end in a carriage return alone, so it would read as one "
                   "line. Save it with LF or CR LF line ends.");
}

std::string TextReader::nextToken() {
  skipToNextValue();
  tokenLine_ = line_;
  const std::size_t start = pos_;
  while (available(pos_) && !isSeparator(text_[pos_])) ++pos_;
  return text_.substr(start, pos_ - start);
}

void TextReader::fail(const std::string& token, const char* kind) const {
  throw RunError(quoted(token) + " is not a valid " + kind + " value (" + name_ + ", line " +
                 std::to_string(tokenLine_) + ")");
}

int TextReader::readInt() {
  const std::string token = nextToken();
  if (token.empty()) return 0;
  int value = 0;
  if (!parseInt(token, value)) fail(token, "integer");
  return value;
}

double TextReader::readReal() {
  const std::string token = nextToken();
  if (token.empty()) return 0.0;
  double value = 0.0;
  if (!parseReal(token, value)) fail(token, "floating point");
  return value;
}

std::size_t TextReader::lineEnd() const {
  std::size_t from = pos_;
  while (available(from)) {
    const void* newline = std::memchr(text_.data() + from, '\n', text_.size() - from);
    if (newline) return static_cast<std::size_t>(static_cast<const char*>(newline) - text_.data());
    from = text_.size();
  }
  return text_.size();
}

void TextReader::skipLine() {
  if (!available(pos_)) return;
  pos_ = lineEnd();
  lastLineEnded_ = available(pos_);
  if (lastLineEnded_) {
    ++pos_;
    ++line_;
  }
}

std::string TextReader::readLineText(std::size_t maxChars) {
  if (!available(pos_)) return std::string();
  const std::size_t end = lineEnd();
  std::size_t stop = end;
  // A CR before the line feed belongs to the line end, not to the text.
  if (stop > pos_ && text_[stop - 1] == '\r') --stop;
  std::string line = text_.substr(pos_, std::min(stop - pos_, maxChars));
  pos_ = end;
  lastLineEnded_ = available(pos_);
  if (lastLineEnded_) {
    ++pos_;
    ++line_;
  }
  return line;
}

bool TextReader::skipToNextValue() {
  while (available(pos_) && isSeparator(text_[pos_])) {
    if (text_[pos_] == '\n') ++line_;
    ++pos_;
  }
  return available(pos_);
}

int readIntLine(TextReader& in) {
  const int v = in.readInt();
  in.skipLine();
  return v;
}

double readRealLine(TextReader& in) {
  const double v = in.readReal();
  in.skipLine();
  return v;
}

void TextReader::rewind() {
  pos_ = start_;
  line_ = 1;
}

}  // namespace vk

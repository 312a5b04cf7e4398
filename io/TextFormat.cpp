#include "io/TextFormat.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <system_error>

namespace vk {

namespace {

constexpr int kMostExactDecimals = 9;
constexpr std::uint64_t kPowerOfTen[kMostExactDecimals + 1] = {1,      10,      100,      1000,      10000,
                                                               100000, 1000000, 10000000, 100000000, 1000000000};

// "00" to "99", two digits at a time.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// |x| * 10^decimals rounded to a whole number, for |x| < 1e9 and decimals <= 9:
// x is an integer times a power of two, scaled exactly in 128 bits and
// rounded half to even on the exact remainder, as printf rounds.
std::uint64_t scaledAndRounded(double x, int decimals) {
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const int exponentBits = static_cast<int>((bits >> 52) & 0x7ff);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  // |x| = mantissa / 2^shift; below 1e9 the shift is always positive.
  const std::uint64_t mantissa = exponentBits == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
  const int shift = exponentBits == 0 ? 1074 : 1075 - exponentBits;
  if (shift >= 128) return 0;  // scaled < 2^83 is far below half a unit
  const unsigned __int128 scaled = static_cast<unsigned __int128>(mantissa) * kPowerOfTen[decimals];
  std::uint64_t whole = static_cast<std::uint64_t>(scaled >> shift);  // below 1e18
  const unsigned __int128 rest = scaled - (static_cast<unsigned __int128>(whole) << shift);
  const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
  if (rest > half || (rest == half && (whole & 1) != 0)) ++whole;
  return whole;
}

// x:w:d for |x| < 1e9 and d <= 9, the files' numbers, without printf, at the
// end of text. Returns false for the values it leaves to printf.
bool appendFixedExactly(std::string& text, double x, int width, int decimals) {
  if (decimals < 0 || decimals > kMostExactDecimals || !(std::fabs(x) < 1e9)) return false;
  std::uint64_t whole = scaledAndRounded(x, decimals);
  // The digits from the last, two at a time, at least one before the point.
  char digits[24];
  char* first = digits + sizeof digits;
  while (whole >= 100) {
    const std::size_t pair = 2 * static_cast<std::size_t>(whole % 100);
    whole /= 100;
    *--first = kDigitPairs[pair + 1];
    *--first = kDigitPairs[pair];
  }
  if (whole >= 10) {
    *--first = kDigitPairs[2 * whole + 1];
    *--first = kDigitPairs[2 * whole];
  } else {
    *--first = static_cast<char>('0' + whole);
  }
  while (digits + sizeof digits - first <= decimals) *--first = '0';
  const int length = static_cast<int>(digits + sizeof digits - first);
  const bool negative = std::signbit(x);  // also -0 and negatives that round to 0, as printf
  const int used = negative + length + (decimals > 0);
  const std::size_t start = text.size();
  text.resize(start + static_cast<std::size_t>(used < width ? width : used), ' ');
  char* out = &text[start] + (used < width ? width - used : 0);
  if (negative) *out++ = '-';
  std::memcpy(out, first, static_cast<std::size_t>(length - decimals));
  out += length - decimals;
  if (decimals > 0) {
    *out++ = '.';
    std::memcpy(out, first + length - decimals, static_cast<std::size_t>(decimals));
  }
  return true;
}

// Appends the text of x in the given form and precision as printf writes it
// in the C locale, right-aligned in at least width characters. The form is
// spelled out rather than left to printf, whose decimal point follows the
// locale a desktop program sets from its user's environment.
template <typename Real>
void appendPrinted(std::string& text, Real x, std::chars_format form, int precision, int width = 0) {
  char small[128];
  std::to_chars_result written = std::to_chars(small, small + sizeof small, x, form, precision);
  std::string large;
  // An extended value may have thousands of integer digits.
  for (std::size_t size = 2 * sizeof small; written.ec != std::errc(); size *= 2) {
    large.resize(size);
    written = std::to_chars(&large[0], &large[0] + size, x, form, precision);
    if (written.ec == std::errc()) large.resize(static_cast<std::size_t>(written.ptr - large.data()));
  }
  const std::string_view digits =
      large.empty() ? std::string_view(small, static_cast<std::size_t>(written.ptr - small)) : std::string_view(large);
  if (digits.size() < static_cast<std::size_t>(width))
    text.append(static_cast<std::size_t>(width) - digits.size(), ' ');
  text.append(digits);
}

// n with at least `digits` digits after any sign, zeros in front, as %.Nd
// writes it.
std::string zeroPaddedInt(long long n, std::size_t digits) {
  char text[24];
  const bool negative = n < 0;
  const char* end = std::to_chars(text, text + sizeof text, n).ptr;
  const std::size_t length = static_cast<std::size_t>(end - text) - negative;
  return std::string(negative ? "-" : "") + std::string(length < digits ? digits - length : 0, '0') +
         std::string(text + negative, end - text - negative);
}

}  // namespace

void appendFixed(std::string& text, double x, int width, int decimals) {
  if (appendFixedExactly(text, x, width, decimals)) return;
  appendPrinted(text, x, std::chars_format::fixed, decimals, width);
}

std::string fixed(double x, int width, int decimals) {
  std::string text;
  appendFixed(text, x, width, decimals);
  return text;
}

std::string fixedExtended(long double x, int width, int decimals) {
  std::string text;
  appendPrinted(text, x, std::chars_format::fixed, decimals, width);
  return text;
}

std::string general(double x, int digits) {
  std::string text;
  appendPrinted(text, x, std::chars_format::general, digits);
  return text;
}

std::string significant(double x, int digits) { return general(x == 0.0 ? 0.0 : x, digits); }

std::string plainInt(long long n) { return std::to_string(n); }

std::string paddedInt(long long n, int width) {
  char digits[24];
  const char* end = std::to_chars(digits, digits + sizeof digits, n).ptr;
  const int length = static_cast<int>(end - digits);
  return std::string(length < width ? static_cast<std::size_t>(width - length) : 0, ' ') +
         std::string(digits, end - digits);
}

std::string pathTagOf(int pathNumber) { return zeroPaddedInt(pathNumber, 4); }

std::string scientific23(double x) {
  if (!std::isfinite(x)) {
    // Not a number of the format; keep the field width so columns stay aligned.
    const std::string word = std::isnan(x) ? "NAN" : (x < 0 ? "-INF" : "+INF");
    return std::string(23 - word.size(), ' ') + word;
  }
  // printf gives "1.50000000000000e+00"; the report wants a four-digit exponent
  // and a blank where a positive value has no sign.
  std::string text;
  appendPrinted(text, x, std::chars_format::scientific, 14);
  const std::size_t e = text.find('e');
  int exponent = 0;
  std::from_chars(text.data() + e + 1 + (text[e + 1] == '+'), text.data() + text.size(), exponent);
  std::string digits = text.substr(0, e);
  if (digits[0] != '-') digits.insert(digits.begin(), ' ');
  return digits + (exponent < 0 ? "E-" : "E+") + zeroPaddedInt(std::abs(exponent), 4);
}

std::string randomTableEntry(double x) { return fixed(x, 60, 59); }

}  // namespace vk

#include "io/TextFormat.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vk {

namespace {

constexpr int kMostExactDecimals = 9;
constexpr std::uint64_t kPowerOfTen[kMostExactDecimals + 1] = {1,      10,      100,      1000,      10000,
                                                               100000, 1000000, 10000000, 100000000, 1000000000};

// x:w:d for |x| < 1e9 and d <= 9, the files' numbers, without printf: printf
// rounds the exact binary value of x to d decimals, halfway cases to even, and
// so does this, on the value as an integer times a power of two. Returns false
// for the values it leaves to printf.
bool fixedExactly(double x, int width, int decimals, std::string& text) {
  if (decimals < 0 || decimals > kMostExactDecimals || !(std::fabs(x) < 1e9)) return false;
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const bool negative = (bits >> 63) != 0;
  const int exponentBits = static_cast<int>((bits >> 52) & 0x7ff);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  // |x| = mantissa / 2^shift; below 1e9 the shift is always positive.
  const std::uint64_t mantissa = exponentBits == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
  const int shift = exponentBits == 0 ? 1074 : 1075 - exponentBits;
  const unsigned __int128 scaled = static_cast<unsigned __int128>(mantissa) * kPowerOfTen[decimals];
  std::uint64_t whole = 0;  // |x| * 10^d rounded; below 1e18
  if (shift < 128) {
    whole = static_cast<std::uint64_t>(scaled >> shift);
    const unsigned __int128 rest = scaled - (static_cast<unsigned __int128>(whole) << shift);
    const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
    if (rest > half || (rest == half && (whole & 1) != 0)) ++whole;
  }  // else scaled < 2^83 is far below half a unit: 0
  char digits[32];
  int length = 0;
  do {
    digits[length++] = static_cast<char>('0' + whole % 10);
    whole /= 10;
  } while (whole != 0 || length <= decimals);
  char buffer[48];
  int at = 0;
  if (negative) buffer[at++] = '-';  // also for -0 and for negatives that round to 0, as printf
  while (length > decimals) buffer[at++] = digits[--length];
  if (decimals > 0) buffer[at++] = '.';
  while (length > 0) buffer[at++] = digits[--length];
  text.assign(at < width ? static_cast<std::size_t>(width - at) : 0, ' ');
  text.append(buffer, static_cast<std::size_t>(at));
  return true;
}

}  // namespace

std::string fixed(double x, int width, int decimals) {
  std::string text;
  if (fixedExactly(x, width, decimals, text)) return text;
  char buf[512];
  std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, x);
  return buf;
}

std::string fixedExtended(long double x, int width, int decimals) {
  // An extended value may have thousands of integer digits; size the text to it.
  const int length = std::snprintf(nullptr, 0, "%*.*Lf", width, decimals, x);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(&text[0], text.size(), "%*.*Lf", width, decimals, x);
  text.pop_back();
  return text;
}

std::string significant(double x, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*g", digits, x == 0.0 ? 0.0 : x);
  return buf;
}

std::string plainInt(long long n) { return std::to_string(n); }

std::string paddedInt(long long n, int width) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%*lld", width, n);
  return buf;
}

std::string pathTagOf(int pathNumber) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4d", pathNumber);
  return buf;
}

std::string scientific23(double x) {
  if (!std::isfinite(x)) {
    // Not a number of the format; keep the field width so columns stay aligned.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%23s", std::isnan(x) ? "NAN" : (x < 0 ? "-INF" : "+INF"));
    return buf;
  }
  // printf gives "1.50000000000000e+00"; the report wants a four-digit exponent
  // and a blank where a positive value has no sign.
  char mantissa[64];
  std::snprintf(mantissa, sizeof mantissa, "%.14e", x);
  std::string text(mantissa);
  const std::size_t e = text.find('e');
  const int exponent = std::atoi(text.c_str() + e + 1);
  std::string digits = text.substr(0, e);
  if (digits[0] != '-') digits.insert(digits.begin(), ' ');
  char tail[16];
  std::snprintf(tail, sizeof tail, "E%c%04d", exponent < 0 ? '-' : '+', std::abs(exponent));
  return digits + tail;
}

std::string randomTableEntry(double x) { return fixed(x, 60, 59); }

}  // namespace vk

#include "io/TextFormat.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vk {

std::string fixed(double x, int width, int decimals) {
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

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "io/TextFormat.h"
#include "io/TextReader.h"
#include "tests/io/CommaLocale.h"

namespace vk {
namespace {

TEST(TextFormat, FixedPadsButNeverCutsAndKeepsNegativeZero) {
  EXPECT_EQ(fixed(-0.5, 6, 4), "-0.5000");
  EXPECT_EQ(fixed(0.1, 6, 4), "0.1000");
  EXPECT_EQ(fixed(0.0, 8, 5), " 0.00000");
  EXPECT_EQ(fixed(-0.00001, 6, 4), "-0.0000");
  EXPECT_EQ(fixed(0.5, 10, 5), "   0.50000");
}

// Lines are built number by number: each number lands after what is there,
// also a number left to printf.
TEST(TextFormat, AppendedNumbersFollowTheTextBeforeThem) {
  std::string line = "\"7\",";
  appendFixed(line, -1.5, 6, 2);
  appendFixed(line, 123456.0, 3, 0);
  appendFixed(line, 2e10, 0, 1);
  appendFixed(line, 0.0, 0, 0);
  EXPECT_EQ(line,
            "\"7\", -1.50"
            "123456"
            "20000000000.0"
            "0");
}

std::string printfFixed(double x, int width, int decimals) {
  char buf[512];
  std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, x);
  return buf;
}

// fixed() writes the files' numbers without printf; it must give printf's
// text for every value. Random bit patterns cover every binade the files use,
// down to subnormals; the halfway cases (an odd number of halves of the last
// decimal, which printf rounds to even) and their neighbours one bit away
// cover the rounding; and the values it leaves to printf must pass through.
TEST(TextFormat, FixedWritesWhatPrintfWritesForEveryValue) {
  std::mt19937_64 random(12);
  int checked = 0;
  auto check = [&checked](double x, int width, int decimals) {
    ++checked;
    const std::string want = printfFixed(x, width, decimals);
    const std::string got = fixed(x, width, decimals);
    if (got != want) {
      ADD_FAILURE() << "fixed(" << std::hexfloat << x << ", " << width << ", " << decimals << ") = \"" << got
                    << "\", printf writes \"" << want << "\"";
      return false;
    }
    return true;
  };
  for (double x : std::initializer_list<double>{0.0,
                                                -0.0,
                                                0.5,
                                                -0.5,
                                                1.5,
                                                2.5,
                                                -2.5,
                                                0.125,
                                                0.375,
                                                999999999.5,
                                                -999999999.9999999,
                                                1e9,
                                                -1e9,
                                                1e300,
                                                NAN,
                                                INFINITY,
                                                -INFINITY,
                                                4.9e-324,
                                                -4.9e-324,
                                                2.2250738585072014e-308})
    for (int decimals = 0; decimals <= 12; ++decimals)
      for (int width : {0, 7, 30}) ASSERT_TRUE(check(x, width, decimals));
  for (int i = 0; i < 1000000; ++i) {
    // Sign, a biased exponent up to 2^30 (subnormals included) and any fraction.
    const std::uint64_t bits = (random() & 0x800fffffffffffffULL) | ((random() % 1054) << 52);
    double x;
    std::memcpy(&x, &bits, sizeof x);
    ASSERT_TRUE(check(x, static_cast<int>(random() % 12), static_cast<int>(random() % 10)));
  }
  for (int i = 0; i < 400000; ++i) {
    const int decimals = static_cast<int>(random() % 10);
    // An odd multiple of 2^-(d+1) is a halfway case at d decimals; these stay below 2^29.
    const double odd = static_cast<double>((random() % (std::uint64_t{1} << (30 + decimals))) | 1);
    const double tie = std::ldexp(odd, -(decimals + 1)) * ((random() & 1) != 0 ? -1 : 1);
    ASSERT_TRUE(check(tie, 0, decimals));
    ASSERT_TRUE(check(std::nextafter(tie, 0.0), 0, decimals));
    ASSERT_TRUE(check(std::nextafter(tie, tie * 2), 0, decimals));
  }
  for (int i = 0; i < 300000; ++i) {
    // Decimal midpoints as a double nears them: rarely exact, always close.
    const int decimals = static_cast<int>(random() % 10);
    const double midpoint = (static_cast<double>(random() % 2000000000) - 1e9 + 0.5) / std::pow(10.0, decimals);
    ASSERT_TRUE(check(midpoint, 8, decimals));
  }
  EXPECT_GT(checked, 2000000);
}

TEST(TextFormat, ScientificHasTwentyThreeCharacters) {
  EXPECT_EQ(scientific23(1.5), " 1.50000000000000E+0000");
  EXPECT_EQ(scientific23(-0.0025), "-2.50000000000000E-0003");
  EXPECT_EQ(scientific23(0.0), " 0.00000000000000E+0000");
  EXPECT_EQ(scientific23(-0.0), "-0.00000000000000E+0000");
  EXPECT_EQ(scientific23(1.23456789e-300).size(), 23u);
  EXPECT_EQ(scientific23(9.999999999999999), " 1.00000000000000E+0001");
}

TEST(TextFormat, PathTagsHaveAtLeastFourDigits) {
  EXPECT_EQ(pathTagOf(17), "0017");
  EXPECT_EQ(pathTagOf(0), "0000");
  EXPECT_EQ(pathTagOf(10000), "10000");
  EXPECT_EQ(paddedInt(7, 4), "   7");
  EXPECT_EQ(plainInt(-12), "-12");
}

TEST(TextFormat, RandomTableEntriesRoundTripExactly) {
  for (double x : {0.8204141930220851, 0.1, 1e-9, 0.9999999999999999, 0.0}) {
    const std::string text = randomTableEntry(x);
    EXPECT_EQ(text.size(), 61u);  // "0." and 59 decimals overflow the 60-character field by one
    EXPECT_EQ(std::stod(text), x);
  }
}

}  // namespace
}  // namespace vk

namespace vk {
namespace {

// The fast path for short decimals must agree with the full parser bit for bit.
TEST(ParseReal, ShortDecimalsEqualTheCorrectlyRoundedValue) {
  std::uint64_t x = 88172645463325252ull;
  for (int i = 0; i < 200000; ++i) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    const std::size_t digits = 1 + x % 15;
    std::string text = std::to_string((x >> 16) % 1000000000000000ull).substr(0, digits);
    const std::size_t decimals = (x >> 8) % (text.size() + 1);
    text.insert(text.size() - decimals, ".");
    if ((x >> 40) & 1) text.insert(text.begin(), '-');
    double value = 0;
    ASSERT_TRUE(parseReal(text, value)) << text;
    ASSERT_EQ(value, std::strtod(text.c_str(), nullptr)) << text;
  }
  double value = 0;
  EXPECT_TRUE(parseReal("-0.0000", value));
  EXPECT_TRUE(std::signbit(value));
  // 16 and 17 digits are past what the fast path may take: its digits no
  // longer form an exact integer, and dividing them rounds twice.
  for (const char* text : {"92.15109753251891", "92891815873.71093", "1825.0413213674318", "1825074443725849.7"}) {
    ASSERT_TRUE(parseReal(text, value)) << text;
    EXPECT_EQ(value, std::strtod(text, nullptr)) << text;
  }
  EXPECT_TRUE(parseReal("12345678901234567890.5", value));
  EXPECT_EQ(value, 12345678901234567890.5);
  EXPECT_FALSE(parseReal("-", value));
  EXPECT_FALSE(parseReal("1.2.", value));
}

// Past the fast path: exponents, long digit strings and values beyond
// double's range read as strtod reads them, the too large refused.
TEST(ParseReal, LongValuesAndExtremesReadAsStrtodReadsThem) {
  double value = 0;
  for (const char* text : {" 1.50000000000000E+0000", "-2.50000000000000E-0003", "+2.5e+1", "5.", ".5", "5.e3",
                           "4.9406564584124654e-324", "1.7976931348623157e308", "2.2250738585072011e-308",
                           "0.4999999999999999722444243843710864894092082977294921875"}) {
    const std::string number = text[0] == ' ' ? text + 1 : text;
    ASSERT_TRUE(parseReal(number, value)) << text;
    EXPECT_EQ(value, std::strtod(number.c_str(), nullptr)) << text;
  }
  for (const char* tiny : {"1e-400", "-1e-400", "0.000000000000000000000000000001e-300", "7e-99999999999999999999"}) {
    value = 1;
    ASSERT_TRUE(parseReal(tiny, value)) << tiny;
    EXPECT_EQ(value, 0.0) << tiny;
    EXPECT_EQ(std::signbit(value), tiny[0] == '-') << tiny;
  }
  for (const char* huge : {"1e400", "-1e400", "1.8e308", "123e99999999999999999999", "0.001e312"}) {
    value = 1;
    EXPECT_FALSE(parseReal(huge, value)) << huge;
  }
}

// Every format and the reader under a locale whose decimal point is a
// comma: the text is the C locale's, and long decimals, which the fast path
// leaves to the full parser, still read as numbers rather than stopping at
// the point.
class UnderCommaLocale : public ::testing::TestWithParam<const char*> {};

TEST_P(UnderCommaLocale, NumbersAreWrittenAndReadAsInTheCLocale) {
  const double values[] = {-3.47251537037039e-1, 0.0025, 1.5, 2e10, -1e300, 1e-7, -0.0};
  std::vector<std::string> inC;
  const auto formatsOf = [](double x) {
    return fixed(x, 12, 4) + fixed(x, 0, 12) + fixedExtended(static_cast<long double>(x), 10, 6) + scientific23(x) +
           significant(x, 10) + general(x, 10) + randomTableEntry(x);
  };
  for (double x : values) inC.push_back(formatsOf(x));
  testing::CommaLocale comma(GetParam());
  SKIP_UNLESS_ACTIVE(comma, GetParam());
  for (std::size_t i = 0; i < inC.size(); ++i) EXPECT_EQ(formatsOf(values[i]), inC[i]);
  EXPECT_EQ(scientific23(-3.47251537037039e-1), "-3.47251537037039E-0001");
  double value = 0;
  ASSERT_TRUE(parseReal("0.1234567890123456789012345678901234", value));
  EXPECT_EQ(value, 0.1234567890123456789012345678901234);
  ASSERT_TRUE(parseReal("-2.5e-3", value));
  EXPECT_EQ(value, -0.0025);
  EXPECT_FALSE(parseReal("0,5", value));
}

INSTANTIATE_TEST_SUITE_P(Locales, UnderCommaLocale, ::testing::ValuesIn(testing::kCommaLocales));

}  // namespace
}  // namespace vk

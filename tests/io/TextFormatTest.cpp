#include <cmath>
#include <cstdint>
#include <cstdlib>

#include <gtest/gtest.h>

#include "io/TextFormat.h"
#include "io/TextReader.h"

namespace vk {
namespace {

TEST(TextFormat, FixedPadsButNeverCutsAndKeepsNegativeZero) {
  EXPECT_EQ(fixed(-0.5, 6, 4), "-0.5000");
  EXPECT_EQ(fixed(0.1, 6, 4), "0.1000");
  EXPECT_EQ(fixed(0.0, 8, 5), " 0.00000");
  EXPECT_EQ(fixed(-0.00001, 6, 4), "-0.0000");
  EXPECT_EQ(fixed(0.5, 10, 5), "   0.50000");
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

}  // namespace
}  // namespace vk

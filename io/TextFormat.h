#pragma once
// Every number format of the text files, in one place. None depends on the
// locale: the files of a desktop program under a comma-decimal locale are the
// same bytes as those of the command line.
#include <string>

namespace vk {

// x:w:d — fixed-point with d decimals, right-aligned in at least w characters.
// A negative value that rounds to zero keeps its sign ("-0.0000").
//
// Below 1e9 and up to 9 decimals (every number of the path files) its own
// exact formatter writes the digits: the same bytes as std::to_chars and
// printf in about half std::to_chars' time (bench_model: 29 against 55 ns
// per number, printf 230), which shows in a run that writes millions of
// them. Other values go to std::to_chars.
std::string fixed(double x, int width, int decimals);
// The same at the end of text, for lines built number by number.
void appendFixed(std::string& text, double x, int width, int decimals);

// x:w:d of an extended-precision value, rounded to d decimals from its full
// precision (the natural-scale columns of the path summary).
std::string fixedExtended(long double x, int width, int decimals);

// Plain decimal integer: no blanks, no leading zeros.
std::string plainInt(long long n);

// n:w — integer right-aligned in at least w characters.
std::string paddedInt(long long n, int width);

// The path tag: at least four digits, zero-padded (17 -> "0017", 10000 -> "10000").
std::string pathTagOf(int pathNumber);

// The 23-character scientific format of the run report:
// " 1.50000000000000E+0000" for 1.5, "-2.50000000000000E-0003" for -0.0025.
std::string scientific23(double x);

// x with `digits` significant digits as %g writes it in the C locale,
// -0 included ("-0", "0.003", "1e+20").
std::string general(double x, int digits);

// The shortest text of x with `digits` significant digits, exponent form
// for very large or small magnitudes, as %g writes it ("0.01305", "1.5e-07");
// -0 is written as 0. The facts table's numbers.
std::string significant(double x, int digits);

// The generator state lines: 59 decimals in a field of 60.
std::string randomTableEntry(double x);

}  // namespace vk

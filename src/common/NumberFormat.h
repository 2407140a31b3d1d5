// Number-to-text conversions used by boxes, labels, the notes pane and the output files.
// Every function formats in the "C" manner internally (std::to_chars) and takes the decimal
// separator as a parameter, so the results never depend on the process locale.
#pragma once

#include <string>
#include <string_view>

namespace ombrane {

// General format: at most 15 significant digits rounded to nearest, trailing zeros and a
// trailing separator dropped; fixed notation for 1e-4 <= |x| < 1e15 (0 is "0"); otherwise
// scientific: shortest mantissa, "E", "-" for negative exponents, no "+", no leading zeros
// in the exponent ("1E-5", "1.5E20"). Negative numbers start with "-".
std::string FormatGeneral(long double x, char separator = '.');

// General format with a given number of significant digits (FormatGeneral is digits = 15).
std::string FormatGeneralDigits(long double x, int digits, char separator = '.');

// Fixed format with precision p and d decimals: rounded to at most p significant digits and
// at most d decimals, written with exactly d decimals (zero padded where the significant
// digits run out) and at least one digit before the separator. A value with more than p
// digits before the separator is written in the general format with p significant digits
// (1.23457E9 for p = 6).
std::string FormatFixed(long double x, int precision, int decimals, char separator = '.');

// printf "%g" with 6 significant digits and "." (the default of a C++ output stream):
// 0.123457, 12.345, 2.45123e+06, 1e-05. An extended value is rounded once, from its own
// digits (10.00045L -> 10.0004, where the double nearest to it would give 10.0005).
std::string FormatFileG(long double x);

// The shortest text that reads back as exactly `x` (std::to_chars without a precision), with
// "." : 2451234.5678 stays 2451234.5678. For values whose every digit counts, such as the
// Julian Days of a results file.
std::string FormatFileExact(long double x);

// Fixed notation with exactly `decimals` decimals and "." (printf "%.*f").
std::string FormatFileFixed(long double x, int decimals);

// Axis label format "#,##0.### ###": digits grouped by thousands with `groupSeparator`, at
// most six decimals, trailing zeros dropped, a blank between the third and fourth decimal.
std::string FormatAxis(double x, char decimalSeparator = '.', std::string_view groupSeparator = ",");

}  // namespace ombrane

#include "common/NumberFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

namespace ombrane {

namespace {

// The extended type carries a little over 19 significant decimal digits; like the formatting
// routines of the floating-point libraries of its time, at most 18 of them are shown.
constexpr int kMaxDigits = 18;

// std::to_chars into a string that grows until the text fits (fixed notation of a large
// extended value runs to thousands of characters).
template <typename T, typename... Options>
std::string ToChars(T x, Options... options) {
  std::string out(64, '\0');
  for (;;) {
    const auto [end, error] = std::to_chars(out.data(), out.data() + out.size(), x, options...);
    if (error == std::errc()) {
      out.resize(static_cast<std::size_t>(end - out.data()));
      return out;
    }
    out.resize(out.size() * 4);
  }
}

// A positive finite value rounded to nearest with a number of significant digits: the digits
// without trailing zeros (the first is not zero) and the decimal exponent of the first digit.
struct Decimal {
  std::string digits;
  int exponent = 0;
};

Decimal Decompose(long double positive, int significantDigits) {
  const std::string text = ToChars(positive, std::chars_format::scientific, significantDigits - 1);
  Decimal result;
  const std::size_t e = text.find('e');
  for (std::size_t i = 0; i < e; ++i)
    if (text[i] != '.') result.digits += text[i];
  while (result.digits.size() > 1 && result.digits.back() == '0') result.digits.pop_back();
  std::size_t exponentStart = e + 1;
  if (text[exponentStart] == '+') ++exponentStart;
  std::from_chars(text.data() + exponentStart, text.data() + text.size(), result.exponent);
  return result;
}

// The text of a NaN or an infinity in the window's formats.
std::string NonFinite(long double x) {
  if (std::isnan(x)) return "NAN";
  return std::signbit(x) ? "-INF" : "INF";
}

bool HasNonZeroDigit(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return c >= '1' && c <= '9'; });
}

// Fixed notation of a decomposed value: the digits placed by the exponent, at least one digit
// before the separator, the fraction padded with zeros to `minDecimals` digits.
std::string PlaceDigits(const Decimal& decimal, std::size_t minDecimals, char separator) {
  std::string integerPart;
  std::string fraction;
  if (decimal.exponent >= 0) {
    const auto integerDigits = static_cast<std::size_t>(decimal.exponent) + 1;
    integerPart = decimal.digits.substr(0, integerDigits);
    integerPart.resize(integerDigits, '0');
    if (decimal.digits.size() > integerDigits) fraction = decimal.digits.substr(integerDigits);
  } else {
    integerPart = "0";
    fraction = std::string(static_cast<std::size_t>(-decimal.exponent - 1), '0') + decimal.digits;
  }
  if (fraction.size() < minDecimals) fraction.resize(minDecimals, '0');
  if (fraction.empty()) return integerPart;
  return integerPart + separator + fraction;
}

std::string GeneralOfMagnitude(long double positive, int digits, char separator) {
  const Decimal decimal = Decompose(positive, digits);
  if (decimal.exponent >= -4 && decimal.exponent < digits) return PlaceDigits(decimal, 0, separator);
  std::string text(1, decimal.digits[0]);
  if (decimal.digits.size() > 1) text += separator + decimal.digits.substr(1);
  text += 'E';
  if (decimal.exponent < 0) text += '-';
  text += std::to_string(std::abs(decimal.exponent));
  return text;
}

}  // namespace

std::string FormatGeneral(long double x, char separator) {
  return FormatGeneralDigits(x, 15, separator);
}

std::string FormatGeneralDigits(long double x, int digits, char separator) {
  if (!std::isfinite(x)) return NonFinite(x);
  if (x == 0) return "0";
  digits = std::clamp(digits, 1, kMaxDigits);
  const std::string magnitude = GeneralOfMagnitude(std::fabs(x), digits, separator);
  return x < 0 ? "-" + magnitude : magnitude;
}

std::string FormatFixed(long double x, int precision, int decimals, char separator) {
  if (!std::isfinite(x)) return NonFinite(x);
  precision = std::clamp(precision, 1, kMaxDigits);
  decimals = std::max(decimals, 0);
  const long double magnitude = std::fabs(x);
  std::string text;
  if (magnitude == 0) {
    text = "0";
    if (decimals > 0) text += separator + std::string(static_cast<std::size_t>(decimals), '0');
    return text;
  }
  const Decimal decimal = Decompose(magnitude, precision);
  if (decimal.exponent + 1 > precision) return FormatGeneralDigits(x, precision, separator);
  if (-decimals >= decimal.exponent - precision + 1) {
    // The decimals cut before the significant digits run out: round at the last decimal.
    text = ToChars(magnitude, std::chars_format::fixed, decimals);
    std::replace(text.begin(), text.end(), '.', separator);
  } else {
    text = PlaceDigits(decimal, static_cast<std::size_t>(decimals), separator);
  }
  // A negative value that rounds to zero is written without its sign.
  if (x < 0 && HasNonZeroDigit(text)) text.insert(text.begin(), '-');
  return text;
}

std::string FormatFileG(long double x) {
  // to_chars with the general format and a precision is printf "%g", without the locale.
  return ToChars(x, std::chars_format::general, 6);
}

std::string FormatFileExact(long double x) {
  return ToChars(x);
}

std::string FormatFileFixed(long double x, int decimals) {
  return ToChars(x, std::chars_format::fixed, std::max(decimals, 0));
}

std::string FormatAxis(double x, char decimalSeparator, std::string_view groupSeparator) {
  if (!std::isfinite(x)) return NonFinite(x);
  const std::string text = ToChars(std::fabs(x), std::chars_format::fixed, 6);
  const std::size_t point = text.find('.');
  const std::string integerPart = text.substr(0, point);
  std::string fraction = text.substr(point + 1);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();

  std::string result;
  if (x < 0 && (HasNonZeroDigit(integerPart) || !fraction.empty())) result = "-";
  for (std::size_t i = 0; i < integerPart.size(); ++i) {
    if (i > 0 && (integerPart.size() - i) % 3 == 0) result += groupSeparator;
    result += integerPart[i];
  }
  if (!fraction.empty()) {
    result += decimalSeparator;
    result += fraction.substr(0, 3);
    if (fraction.size() > 3) result += ' ' + fraction.substr(3);
  }
  return result;
}

}  // namespace ombrane

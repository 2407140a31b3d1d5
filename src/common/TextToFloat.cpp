#include "common/TextToFloat.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <string>
#include <system_error>

namespace ombrane {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The parts of a number as typed; `cForm` is the same number in the form std::from_chars reads
// (no "+", "." as separator), so the conversion never depends on the process locale.
struct ParsedNumber {
  bool negative = false;
  std::string cForm;
  // Decimal magnitude of the first non-zero digit without the exponent (123.4 -> 3, 0.05 -> -1),
  // and whether there is a non-zero digit at all; used to tell overflow from underflow.
  long long leadingMagnitude = 0;
  bool nonZero = false;
  bool exponentNegative = false;
  long long exponent = 0;  // saturated: only its order matters beyond the extended range
};

bool Parse(std::string_view text, char separator, ParsedNumber& number) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    number.negative = text[i] == '-';
    if (number.negative) number.cForm += '-';
    ++i;
  }
  std::size_t digitCount = 0;
  long long integerDigits = 0;  // significant digits before the separator
  long long fractionZeros = 0;  // zeros after the separator before the first non-zero digit
  while (i < n && IsDigit(text[i])) {
    if (text[i] != '0') number.nonZero = true;
    if (number.nonZero) ++integerDigits;
    number.cForm += text[i++];
    ++digitCount;
  }
  if (i < n && text[i] == separator) {
    number.cForm += '.';
    ++i;
    while (i < n && IsDigit(text[i])) {
      if (text[i] != '0') number.nonZero = true;
      if (!number.nonZero) ++fractionZeros;
      number.cForm += text[i++];
      ++digitCount;
    }
  }
  if (digitCount == 0) return false;
  number.leadingMagnitude = integerDigits > 0 ? integerDigits : -fractionZeros;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    number.cForm += 'e';
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
      number.exponentNegative = text[i] == '-';
      if (number.exponentNegative) number.cForm += '-';
      ++i;
    }
    std::size_t exponentDigits = 0;
    while (i < n && IsDigit(text[i])) {
      constexpr long long kSaturation = 1'000'000'000;
      if (number.exponent < kSaturation) number.exponent = number.exponent * 10 + (text[i] - '0');
      number.cForm += text[i++];
      ++exponentDigits;
    }
    if (exponentDigits == 0) return false;
  }
  return i == n;
}

}  // namespace

bool HasNumberSyntax(std::string_view token, char point) {
  size_t i = 0;
  const size_t size = token.size();
  if (i < size && (token[i] == '+' || token[i] == '-')) ++i;
  size_t digits = 0;
  while (i < size && IsDigit(token[i])) ++i, ++digits;
  if (i < size && token[i] == point) {
    ++i;
    while (i < size && IsDigit(token[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < size && (token[i] == 'e' || token[i] == 'E')) {
    ++i;
    if (i < size && (token[i] == '+' || token[i] == '-')) ++i;
    size_t exponentDigits = 0;
    while (i < size && IsDigit(token[i])) ++i, ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  return i == size;
}

namespace {

std::string ConversionMessage(std::string_view text) {
  constexpr std::string_view kTail = "' is not a valid floating point value";
  std::string message;
  message.reserve(text.size() + kTail.size() + 1);
  message += '\'';
  message.append(text);
  message.append(kTail);
  return message;
}

}  // namespace

ConversionError::ConversionError(std::string_view text) : std::runtime_error(ConversionMessage(text)) {}

long double TextToFloat(std::string_view text, char separator) {
  ParsedNumber number;
  if (!Parse(text, separator, number)) throw ConversionError(text);
  long double value = 0;
  const char* first = number.cForm.data();
  const char* last = first + number.cForm.size();
  const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
  if (error == std::errc::result_out_of_range) {
    // Out of range is an overflow (refused) or an underflow (a value too small to hold, read
    // as zero, as the floating-point unit does with underflow masked).
    const long long magnitude =
        number.leadingMagnitude + (number.exponentNegative ? -number.exponent : number.exponent);
    if (number.nonZero && magnitude > 0) throw ConversionError(text);
    return number.negative ? -0.0L : 0.0L;
  }
  if (error != std::errc() || end != last) throw ConversionError(text);
  return value;
}

namespace {

// Whether `text` (one `separator` in it) reads as a whole number grouped by thousands: blanks,
// a sign, one to three digits not starting with 0, the separator, three digits, the end.
bool LooksGroupedByThousands(std::string_view text, char separator) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const std::size_t lead = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  const std::size_t leadDigits = i - lead;
  if (leadDigits < 1 || leadDigits > 3 || text[lead] == '0') return false;
  if (i >= text.size() || text[i] != separator) return false;
  ++i;
  const std::size_t group = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  return i - group == 3 && i == text.size();
}

}  // namespace

std::string BoxNumberText(std::string_view text, char decimal, std::string_view group) {
  const std::string same(text);
  const char other = decimal == ',' ? '.' : decimal == '.' ? ',' : '\0';
  const std::size_t at = other == '\0' ? std::string_view::npos : text.find(other);
  if (at == std::string_view::npos || text.find(other, at + 1) != std::string_view::npos) return same;
  if (text.find(decimal) != std::string_view::npos) return same;
  if (group == std::string_view(&other, 1) && LooksGroupedByThousands(text, other)) return same;
  std::string swapped = same;
  swapped[at] = decimal;
  // Only a number is handed on changed; anything else fails as typed.
  if (!HasNumberSyntax(std::string_view(swapped).substr(std::min(swapped.find_first_not_of(' '), swapped.size())),
                       decimal))
    return same;
  return swapped;
}

long double BoxTextToFloat(std::string_view text, char decimal, std::string_view group) {
  try {
    return TextToFloat(BoxNumberText(text, decimal, group), decimal);
  } catch (const ConversionError&) {
    throw ConversionError(text);
  }
}

}  // namespace ombrane

// Text-to-number conversion of the boxes of the window.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace ombrane {

// Raised when a box's text is not a number: "'TEXT' is not a valid floating point value".
class ConversionError : public std::runtime_error {
 public:
  explicit ConversionError(std::string_view text);
};

// Converts text with optional leading blanks, an optional sign, digits with `separator` as the
// decimal separator and an optional exponent (e/E, optional sign, digits). Anything else
// (empty text, a lone "-", trailing characters, a value out of the extended range) throws
// ConversionError.
long double TextToFloat(std::string_view text, char separator = '.');

// Whether `token` is exactly a number in the C notation with `point` as the decimal point: an
// optional sign, digits with an optional point and at least one digit, an optional exponent (e
// or E, an optional sign, digits). No blanks, hex, inf or nan. Says nothing of the range.
bool HasNumberSyntax(std::string_view token, char point = '.');

}  // namespace ombrane

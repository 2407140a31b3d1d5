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

// A number typed or pasted into a box of the window. `decimal` is the user's decimal separator
// and `group` the user's group separator (UTF-8, may be empty). The text is read as TextToFloat
// reads it with `decimal`. When that fails, a text that holds no `decimal` and exactly one of the
// other separator ('.' where the user writes ',', ',' where the user writes '.') is read with
// that one as the decimal separator, as a number copied from elsewhere ("0.51433" under a
// decimal comma), unless it could as well be a number grouped by thousands in the user's own
// notation: the other separator is the user's group separator and stands between one to three
// digits not starting with 0 and exactly three digits that end the text ("1.234" under a German
// locale is refused, "0.514", "1.2345" and "1234.5" are read). Throws ConversionError, naming
// the text as typed.
long double BoxTextToFloat(std::string_view text, char decimal, std::string_view group);

// The text as BoxTextToFloat reads it, in the notation TextToFloat reads with `decimal`: a number
// pasted in the other separator (when not ambiguous) with that separator replaced by `decimal`,
// any other text unchanged. For core routines that take a box's text.
std::string BoxNumberText(std::string_view text, char decimal, std::string_view group);

// Whether `token` is exactly a number in the C notation with `point` as the decimal point: an
// optional sign, digits with an optional point and at least one digit, an optional exponent (e
// or E, an optional sign, digits). No blanks, hex, inf or nan. Says nothing of the range.
bool HasNumberSyntax(std::string_view token, char point = '.');

}  // namespace ombrane

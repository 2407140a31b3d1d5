// Text the user gave (a token of a data file, a command-line argument, a path) quoted in a
// message so that nothing in it can hide or harm: control characters, invisible Unicode
// characters and bytes that are not UTF-8 are written as escapes, and a long text is cut.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ombrane {

// Longest part of a text quoted in a message, in bytes of the original.
inline constexpr size_t kQuotedTextLength = 40;

// `text` between single quotes. Escapes: \t, \n, \r, \\ for tab, line feed, carriage return and
// backslash; \xNN for the other ASCII control characters, DEL and bytes that are not part of a
// valid UTF-8 sequence; \uXXXX for the Unicode characters that show as nothing or as a plain
// blank (C1 controls, no-break and other spaces, zero-width characters, direction marks, the
// byte-order mark). Other characters stand as they are. A text longer than `maxLength` bytes is
// cut at a character boundary and ended with "..." inside the quotes.
std::string QuotedText(std::string_view text, size_t maxLength = kQuotedTextLength);

}  // namespace ombrane

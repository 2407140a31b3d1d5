#include "common/QuotedText.h"

#include <cstdint>

namespace ombrane {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendHexByte(std::string& out, unsigned char byte) {
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

void AppendCodePoint(std::string& out, uint32_t code) {
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(code >> shift) & 0xF];
}

// Characters a reader cannot see or cannot tell from a blank.
bool IsInvisible(uint32_t code) {
  return (code >= 0x80 && code <= 0xA0) ||      // C1 controls, no-break space
         code == 0xAD ||                        // soft hyphen
         code == 0x034F || code == 0x061C ||    // combining grapheme joiner, Arabic letter mark
         code == 0x115F || code == 0x1160 ||    // Hangul fillers
         code == 0x1680 || code == 0x180E ||    // Ogham space, Mongolian vowel separator
         (code >= 0x2000 && code <= 0x200F) ||  // spaces, zero-width characters, direction marks
         (code >= 0x2028 && code <= 0x202F) ||  // separators, embeddings, narrow no-break space
         (code >= 0x205F && code <= 0x206F) ||  // medium space, invisible operators
         code == 0x3000 || code == 0x3164 ||    // ideographic space, Hangul filler
         code == 0xFEFF ||                      // byte-order mark, zero-width no-break space
         (code >= 0xFFF0 && code <= 0xFFFB);    // specials, interlinear annotation
}

// Length of the valid UTF-8 sequence at text[i] and its code point; 0 when it is not valid
// (a stray continuation byte, a cut or overlong sequence, a surrogate, beyond U+10FFFF).
size_t DecodeUtf8(std::string_view text, size_t i, uint32_t& code) {
  const auto lead = static_cast<unsigned char>(text[i]);
  size_t length;
  uint32_t minimum;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1Fu, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0Fu, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07u, minimum = 0x10000;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3Fu);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string QuotedText(std::string_view text, size_t maxLength) {
  bool cut = false;
  if (text.size() > maxLength) {
    size_t length = maxLength;
    // Back to the start of a character, so that the cut leaves no half sequence behind.
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    text = text.substr(0, length);
    cut = true;
  }
  std::string out = "'";
  out.reserve(text.size() + 5);
  for (size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      if (byte == '\t') {
        out += "\\t";
      } else if (byte == '\n') {
        out += "\\n";
      } else if (byte == '\r') {
        out += "\\r";
      } else if (byte == '\\') {
        out += "\\\\";
      } else if (byte < 0x20 || byte == 0x7F) {
        AppendHexByte(out, byte);
      } else {
        out += static_cast<char>(byte);
      }
      ++i;
      continue;
    }
    uint32_t code = 0;
    const size_t length = DecodeUtf8(text, i, code);
    if (length == 0) {
      AppendHexByte(out, byte);
      ++i;
    } else {
      if (IsInvisible(code))
        AppendCodePoint(out, code);
      else
        out.append(text.substr(i, length));
      i += length;
    }
  }
  if (cut) out += "...";
  out += "'";
  return out;
}

}  // namespace ombrane

#include "present/display_name.h"

#include <cstddef>
#include <cstdint>

namespace ovik {
namespace {

bool IsAsciiControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// Length of the well-formed UTF-8 sequence starting at |s[i]| (a lead
// byte of 0x80 or above), or 0 when there is none. The ranges are those
// of the Unicode standard's table of well-formed byte sequences.
std::size_t SequenceLength(std::string_view s, std::size_t i,
                           char32_t* code_point) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  char32_t c = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
    c = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    c = b0 & 0x0F;
    if (b0 == 0xE0) low = 0xA0;   // no overlong forms
    if (b0 == 0xED) high = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    c = b0 & 0x07;
    if (b0 == 0xF0) low = 0x90;   // no overlong forms
    if (b0 == 0xF4) high = 0x8F;  // nothing beyond U+10FFFF
  } else {
    return 0;
  }
  if (i + length > s.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if (k == 1 ? (b < low || b > high) : (b < 0x80 || b > 0xBF)) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  *code_point = c;
  return length;
}

}  // namespace

std::string SanitizeName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  std::size_t i = 0;
  while (i < name.size()) {
    const auto b = static_cast<unsigned char>(name[i]);
    if (b < 0x80) {
      out += IsAsciiControl(b) ? kUnshowable : name[i];
      ++i;
      continue;
    }
    char32_t c = 0;
    const std::size_t length = SequenceLength(name, i, &c);
    if (length == 0) {
      out += kUnshowable;  // one mark per stray byte
      ++i;
    } else if (c >= 0x80 && c <= 0x9F) {
      out += kUnshowable;  // C1 controls: terminals act on some of them
      i += length;
    } else {
      out.append(name.substr(i, length));
      i += length;
    }
  }
  return out;
}

std::string ReplaceAsciiControls(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (IsAsciiControl(static_cast<unsigned char>(c))) c = kUnshowable;
  }
  return out;
}

}  // namespace ovik

#include "present/display_name.h"

#include <cstddef>

#include "present/utf8.h"

namespace ovik {
namespace {

bool IsAsciiControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

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
    const std::size_t length = DecodeUtf8Char(name.substr(i), &c);
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

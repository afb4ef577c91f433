#include "present/display_name.h"

#include <cstddef>

#include "present/utf8.h"

namespace ovik {
namespace {

bool IsAsciiControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// Copies |name| to a new string, giving each character that cannot be
// shown (a control, a C1 control, a stray byte, and |also|) to
// |unshowable| with the string to append to.
template <typename Unshowable>
std::string Shown(std::string_view name, char also, Unshowable unshowable) {
  std::string out;
  out.reserve(name.size());
  std::size_t i = 0;
  while (i < name.size()) {
    const auto b = static_cast<unsigned char>(name[i]);
    if (b < 0x80) {
      if (IsAsciiControl(b) || name[i] == also) {
        unshowable(name.substr(i, 1), out);
      } else {
        out += name[i];
      }
      ++i;
      continue;
    }
    char32_t c = 0;
    const std::size_t length = DecodeUtf8Char(name.substr(i), &c);
    if (length == 0) {
      unshowable(name.substr(i, 1), out);  // a stray byte
      ++i;
    } else if (c >= 0x80 && c <= 0x9F) {
      // C1 controls: terminals act on some of them.
      unshowable(name.substr(i, length), out);
      i += length;
    } else {
      out.append(name.substr(i, length));
      i += length;
    }
  }
  return out;
}

void AppendOctal(unsigned char byte, std::string& out) {
  out += '\\';
  out += static_cast<char>('0' + (byte >> 6));
  out += static_cast<char>('0' + ((byte >> 3) & 7));
  out += static_cast<char>('0' + (byte & 7));
}

}  // namespace

std::string SanitizeName(std::string_view name) {
  return Shown(name, '\0', [](std::string_view, std::string& out) {
    out += kUnshowable;  // one mark per character
  });
}

std::string EscapeName(std::string_view name) {
  return Shown(name, '\\', [](std::string_view bytes, std::string& out) {
    for (char c : bytes) AppendOctal(static_cast<unsigned char>(c), out);
  });
}

std::string ReplaceAsciiControls(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (IsAsciiControl(static_cast<unsigned char>(c))) c = kUnshowable;
  }
  return out;
}

}  // namespace ovik

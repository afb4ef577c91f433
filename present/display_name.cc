#include "present/display_name.h"

#include <cstddef>

#include "present/utf8.h"

namespace ovik {
namespace {

bool IsAsciiControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// The format characters (general category Cf) that show nothing, first to
// last, as ranges; the joiners and the signs that are drawn (the Arabic
// number signs, ...) are left out.
struct Range {
  char32_t first, last;
};
constexpr Range kMisleadingFormats[] = {
    {0x00AD, 0x00AD},    // soft hyphen
    {0x061C, 0x061C},    // Arabic letter mark
    {0x180E, 0x180E},    // Mongolian vowel separator
    {0x200B, 0x200B},    // zero-width space
    {0x200E, 0x200F},    // left-to-right and right-to-left marks
    {0x202A, 0x202E},    // embeddings and overrides
    {0x2060, 0x2064},    // word joiner, invisible operators
    {0x2066, 0x206F},    // isolates, deprecated format characters
    {0xFEFF, 0xFEFF},    // zero-width no-break space (byte order mark)
    {0xFFF9, 0xFFFB},    // interlinear annotation
    {0x1BCA0, 0x1BCA3},  // shorthand format controls
    {0x1D173, 0x1D17A},  // musical format controls
    {0xE0001, 0xE0001},  // language tag
    {0xE0020, 0xE007F},  // tags
};

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
    } else if ((c >= 0x80 && c <= 0x9F) || IsMisleadingFormat(c)) {
      // C1 controls: terminals act on some of them. Format characters:
      // the name would not read as it is.
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

bool IsMisleadingFormat(char32_t c) {
  for (const Range& range : kMisleadingFormats) {
    if (c < range.first) return false;
    if (c <= range.last) return true;
  }
  return false;
}

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

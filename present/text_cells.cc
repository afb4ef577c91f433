#include "present/text_cells.h"

#include <utf8proc.h>

#include "present/utf8.h"

namespace ovik {
namespace {

bool IsControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

}  // namespace

int CellWidth(char32_t c) {
  if (c < 0x7F) return 1;  // controls too: drawn as one '?'
  if (IsControl(c)) return 1;
  if (c > 0x10FFFF) return 1;  // drawn as a replacement
  // Wide and full-width characters 2, combining marks and invisible
  // format characters 0.
  return utf8proc_charwidth(static_cast<utf8proc_int32_t>(c));
}

char32_t Printable(char32_t c) { return IsControl(c) ? U'?' : c; }

int DisplayWidth(std::u32string_view text) {
  int width = 0;
  for (char32_t c : text) width += CellWidth(c);
  return width;
}

int DisplayWidth(std::string_view utf8) {
  return DisplayWidth(DecodeUtf8(utf8));
}

std::string FitToWidth(std::string_view utf8, int width) {
  const std::u32string text = DecodeUtf8(utf8);
  int used = 0;
  std::size_t n = 0;
  while (n < text.size()) {
    const int w = CellWidth(text[n]);
    if (used + w > width) break;
    used += w;
    ++n;
  }
  return EncodeUtf8(std::u32string_view(text).substr(0, n));
}

std::string ElideLeft(std::string_view utf8, int width) {
  if (width <= 0) return {};
  const std::u32string text = DecodeUtf8(utf8);
  if (DisplayWidth(text) <= width) return EncodeUtf8(text);
  constexpr std::string_view kMark = "...";
  const int mark_width = static_cast<int>(kMark.size());
  if (width <= mark_width) {
    return std::string(kMark.substr(0, static_cast<std::size_t>(width)));
  }
  const int room = width - mark_width;
  int used = 0;
  std::size_t start = text.size();
  while (start > 0) {
    const int w = CellWidth(text[start - 1]);
    if (used + w > room) break;
    used += w;
    --start;
  }
  return std::string(kMark) +
         EncodeUtf8(std::u32string_view(text).substr(start));
}

std::string PadToWidth(std::string_view utf8, int width) {
  std::string out = FitToWidth(utf8, width);
  const int used = DisplayWidth(out);
  if (used < width) out.append(static_cast<std::size_t>(width - used), ' ');
  return out;
}

char32_t FoldKey(char32_t c) {
  return (c >= U'A' && c <= U'Z') ? c - U'A' + U'a' : c;
}

Mnemonic ParseMnemonic(std::string_view text) {
  Mnemonic result;
  const std::u32string in = DecodeUtf8(text);
  std::u32string label;
  int cells = 0;
  for (std::size_t i = 0; i < in.size(); ++i) {
    char32_t c = in[i];
    if (c == U'&' && i + 1 < in.size()) {
      c = in[++i];
      if (c != U'&' && result.key == 0) {
        result.key = FoldKey(c);
        result.cell = cells;
      }
    }
    label.push_back(c);
    cells += CellWidth(c);
  }
  result.label = EncodeUtf8(label);
  return result;
}

}  // namespace ovik

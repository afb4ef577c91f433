#include "ui/tui/text_cells.h"

#include <algorithm>

namespace ovik::tui {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

struct Range {
  char32_t first;
  char32_t last;
};

// East Asian Wide and Full-width ranges, the emoji drawn two cells wide
// included. Sorted.
constexpr Range kWide[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},
    {0x23E9, 0x23EC},   {0x23F0, 0x23F0},   {0x23F3, 0x23F3},
    {0x25FD, 0x25FE},   {0x2614, 0x2615},   {0x2648, 0x2653},
    {0x267F, 0x267F},   {0x2693, 0x2693},   {0x26A1, 0x26A1},
    {0x26AA, 0x26AB},   {0x26BD, 0x26BE},   {0x26C4, 0x26C5},
    {0x26CE, 0x26CE},   {0x26D4, 0x26D4},   {0x26EA, 0x26EA},
    {0x26F2, 0x26F3},   {0x26F5, 0x26F5},   {0x26FA, 0x26FA},
    {0x26FD, 0x26FD},   {0x2705, 0x2705},   {0x270A, 0x270B},
    {0x2728, 0x2728},   {0x274C, 0x274C},   {0x274E, 0x274E},
    {0x2753, 0x2755},   {0x2757, 0x2757},   {0x2795, 0x2797},
    {0x27B0, 0x27B0},   {0x27BF, 0x27BF},   {0x2B1B, 0x2B1C},
    {0x2B50, 0x2B50},   {0x2B55, 0x2B55},   {0x2E80, 0x3029},
    {0x302E, 0x303E},   {0x3041, 0x3098},   {0x309B, 0x33FF},
    {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},
    {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},
    {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6},   {0x16FE0, 0x16FE4}, {0x17000, 0x18AFF},
    {0x1B000, 0x1B2FF}, {0x1F004, 0x1F004}, {0x1F0CF, 0x1F0CF},
    {0x1F18E, 0x1F18E}, {0x1F191, 0x1F19A}, {0x1F200, 0x1F251},
    {0x1F300, 0x1F64F}, {0x1F680, 0x1F6FF}, {0x1F900, 0x1F9FF},
    {0x1FA70, 0x1FAFF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

// Combining marks and invisible format characters. Sorted.
constexpr Range kZeroWidth[] = {
    {0x0300, 0x036F},   {0x0483, 0x0489},   {0x0591, 0x05BD},
    {0x05BF, 0x05BF},   {0x05C1, 0x05C2},   {0x05C4, 0x05C5},
    {0x05C7, 0x05C7},   {0x0610, 0x061A},   {0x064B, 0x065F},
    {0x0670, 0x0670},   {0x06D6, 0x06DC},   {0x06DF, 0x06E4},
    {0x0E31, 0x0E31},   {0x0E34, 0x0E3A},   {0x0E47, 0x0E4E},
    {0x1AB0, 0x1AFF},   {0x1DC0, 0x1DFF},   {0x200B, 0x200F},
    {0x202A, 0x202E},   {0x2060, 0x2064},   {0x20D0, 0x20FF},
    {0x302A, 0x302D},   {0x3099, 0x309A},   {0xFE00, 0xFE0F},
    {0xFE20, 0xFE2F},   {0xFEFF, 0xFEFF},   {0xE0100, 0xE01EF},
};

template <std::size_t N>
bool InRanges(const Range (&ranges)[N], char32_t c) {
  const Range* end = ranges + N;
  const Range* it = std::upper_bound(
      ranges, end, c, [](char32_t v, const Range& r) { return v < r.first; });
  if (it == ranges) return false;
  --it;
  return c <= it->last;
}

bool IsControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

}  // namespace

std::u32string DecodeUtf8(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto b0 = static_cast<unsigned char>(utf8[i]);
    int extra = 0;
    char32_t c = 0;
    char32_t min = 0;
    if (b0 < 0x80) {
      out.push_back(b0);
      ++i;
      continue;
    } else if ((b0 & 0xE0) == 0xC0) {
      extra = 1;
      c = b0 & 0x1F;
      min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
      extra = 2;
      c = b0 & 0x0F;
      min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
      extra = 3;
      c = b0 & 0x07;
      min = 0x10000;
    } else {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    bool valid = true;
    for (int k = 1; k <= extra; ++k) {
      const std::size_t at = i + static_cast<std::size_t>(k);
      // A sequence cut short by the end of the text is invalid too.
      const auto b = at < utf8.size() ? static_cast<unsigned char>(utf8[at])
                                      : static_cast<unsigned char>(0);
      if ((b & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      c = (c << 6) | (b & 0x3F);
    }
    if (!valid || c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    out.push_back(c);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

int CellWidth(char32_t c) {
  if (c < 0x7F) return 1;  // controls too: drawn as one '?'
  if (IsControl(c)) return 1;
  if (InRanges(kZeroWidth, c)) return 0;
  if (InRanges(kWide, c)) return 2;
  return 1;
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

std::string GroupThousands(std::uint64_t value) {
  std::string digits = std::to_string(value);
  std::string out;
  const std::size_t n = digits.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out.push_back(',');
    out.push_back(digits[i]);
  }
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

}  // namespace ovik::tui

// Text measured in terminal cells: UTF-8 decoding, the width of each
// character (East Asian wide characters take two cells), fitting text
// into a field, and the "&" mnemonics of button labels.
#ifndef OVIK_UI_TUI_TEXT_CELLS_H_
#define OVIK_UI_TUI_TEXT_CELLS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace ovik::tui {

// Invalid or truncated sequences decode to U+FFFD, one per bad byte.
std::u32string DecodeUtf8(std::string_view utf8);
std::string EncodeUtf8(std::u32string_view text);

// Cells a character takes: 2 for wide and full-width characters, 0 for
// combining marks and zero-width characters, 1 otherwise. Control
// characters count 1: they are drawn as a replacement.
int CellWidth(char32_t c);

// What a character is drawn as: control characters become '?'.
char32_t Printable(char32_t c);

int DisplayWidth(std::string_view utf8);
int DisplayWidth(std::u32string_view text);

// The longest start of |utf8| that fits in |width| cells.
std::string FitToWidth(std::string_view utf8, int width);

// Keeps the end of |utf8| that fits in |width| cells, marking the cut
// with "..." (for paths, whose end says most).
std::string ElideLeft(std::string_view utf8, int width);

// Pads with blanks to |width| cells, or cuts to it.
std::string PadToWidth(std::string_view utf8, int width);

// 1234567 -> "1,234,567".
std::string GroupThousands(std::uint64_t value);

// A button label with its mnemonic: "&Find" -> "Find", 'f', cell 0.
// "&&" stands for a literal "&".
struct Mnemonic {
  std::string label;
  char32_t key = 0;  // lower case; 0 when the label has none
  int cell = -1;     // cell of the marked character within label
};
Mnemonic ParseMnemonic(std::string_view text);

// Lower-cases ASCII letters; leaves everything else.
char32_t FoldKey(char32_t c);

}  // namespace ovik::tui

#endif  // OVIK_UI_TUI_TEXT_CELLS_H_

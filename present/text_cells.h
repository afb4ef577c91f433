// Text measured in terminal cells: the width of each character (East
// Asian wide characters take two cells, as the Unicode character database
// says), fitting text into a field, and the "&" mnemonics of button
// labels. Text is decoded by present/utf8.h.
#ifndef OVIK_PRESENT_TEXT_CELLS_H_
#define OVIK_PRESENT_TEXT_CELLS_H_

#include <string>
#include <string_view>

namespace ovik {

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

}  // namespace ovik

#endif  // OVIK_PRESENT_TEXT_CELLS_H_

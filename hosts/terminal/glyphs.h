// What each cell of a canvas is drawn as on a terminal of a given
// display mode: the character itself, a line of the terminal's own
// line-drawing set, or '?' for what the terminal cannot show. Nothing
// drawn ever takes more or fewer cells than the canvas gave it.
#ifndef OVIK_HOSTS_TERMINAL_GLYPHS_H_
#define OVIK_HOSTS_TERMINAL_GLYPHS_H_

#include <functional>

#include "hosts/terminal/display_mode.h"

namespace ovik::tui {

// The lines and blocks the dialog draws, by the names of the terminal's
// line-drawing set.
enum class LineGlyph {
  kNone,
  kHorizontal,
  kVertical,
  kUpperLeft,
  kUpperRight,
  kLowerLeft,
  kLowerRight,
  kBlock,
  kCheckerBoard,
  kBoard,
  kScanLine7,
  kScanLine9,
};

struct Glyph {
  char32_t ch = U'?';
  LineGlyph line = LineGlyph::kNone;  // drawn instead of |ch| when set
};

// How the terminal shows a character: whether it takes the cells the
// canvas gave it (text_cells.h) in the character set curses writes.
using ShowsCharacter = std::function<bool(char32_t)>;

// What a cell holding |c| is drawn as. A wide character replaced by '?'
// leaves its right half to be drawn as '?' too.
Glyph GlyphFor(char32_t c, const DisplayMode& mode,
               const ShowsCharacter& shows);

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_GLYPHS_H_

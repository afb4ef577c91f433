#include "hosts/terminal/glyphs.h"

#include "present/text_cells.h"

namespace ovik::tui {
namespace {

LineGlyph LineFor(char32_t c) {
  switch (c) {
    case U'─': return LineGlyph::kHorizontal;
    case U'│': return LineGlyph::kVertical;
    case U'┌': return LineGlyph::kUpperLeft;
    case U'┐': return LineGlyph::kUpperRight;
    case U'└': return LineGlyph::kLowerLeft;
    case U'┘': return LineGlyph::kLowerRight;
    case U'█': return LineGlyph::kBlock;
    case U'▆': return LineGlyph::kCheckerBoard;
    case U'▄': return LineGlyph::kBoard;
    case U'▂': return LineGlyph::kScanLine7;
    case U'▁': return LineGlyph::kScanLine9;
    default: return LineGlyph::kNone;
  }
}

}  // namespace

Glyph GlyphFor(char32_t c, const DisplayMode& mode,
               const ShowsCharacter& shows) {
  if (c >= 0x20 && c < 0x7F) return Glyph{c};
  if (!mode.unicode_lines) {
    if (const LineGlyph line = LineFor(c); line != LineGlyph::kNone) {
      return Glyph{c, line};
    }
  }
  // Controls (C0 and C1) never reach the terminal.
  if (c < 0xA0) return Glyph{};
  if (CellWidth(c) == 2 && !mode.wide) return Glyph{};
  if (!shows(c)) return Glyph{};
  return Glyph{c};
}

}  // namespace ovik::tui

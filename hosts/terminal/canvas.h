// A grid of character cells that the terminal dialog is drawn into before
// it goes to the screen, so that drawing is plain code that tests can
// read back.
#ifndef OVIK_HOSTS_TERMINAL_CANVAS_H_
#define OVIK_HOSTS_TERMINAL_CANVAS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ovik::tui {

// Cell attributes, combined with |.
enum Attr : std::uint8_t {
  kPlain = 0,
  kBold = 1,
  kReverse = 2,
  kUnderline = 4,
  kDim = 8,
};

struct Cell {
  char32_t ch = U' ';
  std::uint8_t attr = kPlain;
  // The right half of a wide character drawn in the cell to the left.
  bool wide_tail = false;
};

struct Rect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  bool Contains(int px, int py) const {
    return px >= x && px < x + w && py >= y && py < y + h;
  }
  int right() const { return x + w; }   // one past the last column
  int bottom() const { return y + h; }  // one past the last row
};

// Where the terminal's cursor is shown; nowhere while negative.
struct CursorPos {
  int x = -1;
  int y = -1;
};

class Canvas {
 public:
  Canvas(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }
  const Cell& at(int x, int y) const;

  // Writes |utf8| from (x, y) into at most |max_width| cells (to the
  // right edge when negative), clipped to the canvas. A wide character
  // that does not fit whole is left out. Returns the cells written.
  int Put(int x, int y, std::string_view utf8, std::uint8_t attr = kPlain,
          int max_width = -1);
  void PutChar(int x, int y, char32_t c, std::uint8_t attr = kPlain);
  void Fill(const Rect& rect, char32_t c, std::uint8_t attr = kPlain);
  // Adds |attr| to the cells of |rect|.
  void AddAttr(const Rect& rect, std::uint8_t attr);
  // A single-line frame around |rect|, with |title| set into its top
  // edge after one line segment.
  void Frame(const Rect& rect, std::string_view title = {},
             std::uint8_t attr = kPlain);

  // One row as UTF-8, wide characters once; for tests and captures.
  std::string RowText(int y) const;
  std::string Text() const;  // all rows, each ended by '\n'

 private:
  Cell* CellAt(int x, int y);
  void Clear(int x, int y);

  int width_;
  int height_;
  std::vector<Cell> cells_;
};

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_CANVAS_H_

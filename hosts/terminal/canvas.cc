#include "hosts/terminal/canvas.h"

#include <algorithm>

#include "present/utf8.h"
#include "present/text_cells.h"

namespace ovik::tui {
namespace {

const Cell kOutside{};

}  // namespace

Canvas::Canvas(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      cells_(static_cast<std::size_t>(width_) *
             static_cast<std::size_t>(height_)) {}

const Cell& Canvas::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kOutside;
  return cells_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                static_cast<std::size_t>(x)];
}

Cell* Canvas::CellAt(int x, int y) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return nullptr;
  return &cells_[static_cast<std::size_t>(y) *
                     static_cast<std::size_t>(width_) +
                 static_cast<std::size_t>(x)];
}

// Blanks a cell, and the other half of a wide character it belongs to.
void Canvas::Clear(int x, int y) {
  Cell* cell = CellAt(x, y);
  if (cell == nullptr) return;
  if (cell->wide_tail) {
    if (Cell* head = CellAt(x - 1, y)) *head = Cell{U' ', head->attr, false};
  } else if (CellWidth(cell->ch) == 2) {
    Cell* tail = CellAt(x + 1, y);
    if (tail != nullptr && tail->wide_tail) *tail = Cell{U' ', tail->attr, false};
  }
  *cell = Cell{};
}

void Canvas::PutChar(int x, int y, char32_t c, std::uint8_t attr) {
  const int w = CellWidth(c);
  if (w == 0) return;
  if (CellAt(x, y) == nullptr) return;
  if (w == 2 && CellAt(x + 1, y) == nullptr) return;
  Clear(x, y);
  if (w == 2) Clear(x + 1, y);
  *CellAt(x, y) = Cell{Printable(c), attr, false};
  if (w == 2) *CellAt(x + 1, y) = Cell{U' ', attr, true};
}

int Canvas::Put(int x, int y, std::string_view utf8, std::uint8_t attr,
                int max_width) {
  if (y < 0 || y >= height_) return 0;
  int limit = width_ - x;
  if (max_width >= 0) limit = std::min(limit, max_width);
  int used = 0;
  for (char32_t c : DecodeUtf8(utf8)) {
    const int w = CellWidth(c);
    if (w == 0) continue;
    if (used + w > limit) break;
    if (x + used >= 0) PutChar(x + used, y, c, attr);
    used += w;
  }
  return used;
}

void Canvas::Fill(const Rect& rect, char32_t c, std::uint8_t attr) {
  const int w = std::max(CellWidth(c), 1);
  for (int y = rect.y; y < rect.bottom(); ++y) {
    for (int x = rect.x; x + w <= rect.right(); x += w) PutChar(x, y, c, attr);
  }
}

void Canvas::AddAttr(const Rect& rect, std::uint8_t attr) {
  for (int y = rect.y; y < rect.bottom(); ++y) {
    for (int x = rect.x; x < rect.right(); ++x) {
      if (Cell* cell = CellAt(x, y)) cell->attr |= attr;
    }
  }
}

void Canvas::Frame(const Rect& rect, std::string_view title,
                   std::uint8_t attr) {
  if (rect.w < 2 || rect.h < 2) return;
  const int right = rect.right() - 1;
  const int bottom = rect.bottom() - 1;
  for (int x = rect.x + 1; x < right; ++x) {
    PutChar(x, rect.y, U'─', attr);
    PutChar(x, bottom, U'─', attr);
  }
  for (int y = rect.y + 1; y < bottom; ++y) {
    PutChar(rect.x, y, U'│', attr);
    PutChar(right, y, U'│', attr);
  }
  PutChar(rect.x, rect.y, U'┌', attr);
  PutChar(right, rect.y, U'┐', attr);
  PutChar(rect.x, bottom, U'└', attr);
  PutChar(right, bottom, U'┘', attr);
  if (!title.empty() && rect.w > 4) {
    Put(rect.x + 2, rect.y, title, attr, rect.w - 4);
  }
}

std::string Canvas::RowText(int y) const {
  std::u32string row;
  for (int x = 0; x < width_; ++x) {
    const Cell& cell = at(x, y);
    if (!cell.wide_tail) row.push_back(cell.ch);
  }
  return EncodeUtf8(row);
}

std::string Canvas::Text() const {
  std::string out;
  for (int y = 0; y < height_; ++y) {
    out += RowText(y);
    out += '\n';
  }
  return out;
}

}  // namespace ovik::tui

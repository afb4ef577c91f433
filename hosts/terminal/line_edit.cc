#include "hosts/terminal/line_edit.h"

#include "present/utf8.h"
#include "present/text_cells.h"

namespace ovik::tui {

void LineEdit::Insert(char32_t c) {
  if (c < 0x20 || c == 0x7F) return;  // no control characters in names
  text_.insert(text_.begin() + static_cast<std::ptrdiff_t>(cursor_), c);
  ++cursor_;
}

void LineEdit::Backspace() {
  if (cursor_ == 0) return;
  --cursor_;
  text_.erase(cursor_, 1);
}

void LineEdit::Delete() {
  if (cursor_ < text_.size()) text_.erase(cursor_, 1);
}

void LineEdit::Left() {
  if (cursor_ > 0) --cursor_;
}

void LineEdit::Right() {
  if (cursor_ < text_.size()) ++cursor_;
}

void LineEdit::Home() { cursor_ = 0; }

void LineEdit::End() { cursor_ = text_.size(); }

std::string LineEdit::Text() const { return EncodeUtf8(text_); }

LineEdit::View LineEdit::Visible(int width) const {
  View view;
  if (width <= 0) return view;
  // Start as far left as possible while the cursor's cell still fits.
  std::size_t first = 0;
  int before = DisplayWidth(std::u32string_view(text_).substr(0, cursor_));
  while (first < cursor_ && before + 1 > width) {
    before -= CellWidth(text_[first]);
    ++first;
  }
  view.cursor_cell = before;
  view.text =
      FitToWidth(EncodeUtf8(std::u32string_view(text_).substr(first)), width);
  return view;
}

}  // namespace ovik::tui

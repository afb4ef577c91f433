// The Save As box's file-name field: one line of text and a cursor.
#ifndef OVIK_HOSTS_TERMINAL_LINE_EDIT_H_
#define OVIK_HOSTS_TERMINAL_LINE_EDIT_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace ovik::tui {

class LineEdit {
 public:
  void Insert(char32_t c);
  void Backspace();
  void Delete();
  void Left();
  void Right();
  void Home();
  void End();

  std::string Text() const;  // UTF-8
  // What to show in a field |width| cells wide so that the cursor stays
  // visible, and the cursor's cell within it.
  struct View {
    std::string text;
    int cursor_cell = 0;
  };
  View Visible(int width) const;

 private:
  std::u32string text_;
  std::size_t cursor_ = 0;  // characters before the cursor
};

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_LINE_EDIT_H_

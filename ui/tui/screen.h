// The terminal itself, through ncursesw: copies a canvas to the screen
// and reads keys and clicks. The only file of the dialog that knows
// curses.
#ifndef OVIK_UI_TUI_SCREEN_H_
#define OVIK_UI_TUI_SCREEN_H_

#include "ui/tui/canvas.h"
#include "ui/tui/keys.h"
#include "ui/tui/render.h"

struct screen;  // curses' SCREEN

namespace ovik::tui {

class Screen {
 public:
  Screen() = default;
  ~Screen();  // restores the terminal if Stop() was not called
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  // Takes over the terminal on standard input and output.
  bool Start();
  // Gives the terminal back as it was.
  void Stop();

  void Size(int* cols, int* rows) const;
  // Shows |canvas|; the cursor is shown at |cursor| when that is set.
  void Show(const Canvas& canvas, CursorPos cursor);
  // The next key or click; KeyCode::kNone after |timeout_ms| without one.
  Key Read(int timeout_ms);
  // Whether the terminal has gone away (hung up or closed).
  bool InputLost() const;
  void Beep();

 private:
  struct ::screen* screen_ = nullptr;
};

}  // namespace ovik::tui

#endif  // OVIK_UI_TUI_SCREEN_H_

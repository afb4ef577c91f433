// The terminal itself, through ncursesw: copies a canvas to the screen
// and reads keys and clicks. The only file of the dialog that knows
// curses.
#ifndef OVIK_UI_TUI_CURSES_SCREEN_H_
#define OVIK_UI_TUI_CURSES_SCREEN_H_

#include "ui/tui/screen.h"

struct screen;  // curses' SCREEN

namespace ovik::tui {

class CursesScreen : public Screen {
 public:
  CursesScreen() = default;
  ~CursesScreen() override;  // restores the terminal if Stop() was not called
  CursesScreen(const CursesScreen&) = delete;
  CursesScreen& operator=(const CursesScreen&) = delete;

  // Takes over the terminal on standard input and output.
  bool Start();
  // Gives the terminal back as it was.
  void Stop();

  void Size(int* cols, int* rows) const override;
  void Show(const Canvas& canvas, CursorPos cursor) override;
  Key Read(int timeout_ms) override;
  bool InputLost() const override;
  void Beep() override;

 private:
  struct ::screen* screen_ = nullptr;
};

}  // namespace ovik::tui

#endif  // OVIK_UI_TUI_CURSES_SCREEN_H_

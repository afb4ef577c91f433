// The terminal itself, through ncursesw: copies a canvas to the screen,
// each cell as the terminal can show it, and reads keys and clicks. With
// terminal_caps.cc the only file of the dialog that knows curses.
#ifndef OVIK_HOSTS_TERMINAL_CURSES_SCREEN_H_
#define OVIK_HOSTS_TERMINAL_CURSES_SCREEN_H_

#include "hosts/terminal/screen.h"

struct screen;  // curses' SCREEN

namespace ovik::tui {

class CursesScreen : public Screen {
 public:
  CursesScreen() = default;
  ~CursesScreen() override;  // restores the terminal if Stop() was not called
  CursesScreen(const CursesScreen&) = delete;
  CursesScreen& operator=(const CursesScreen&) = delete;

  // Takes over the terminal on standard input and output, drawing for a
  // terminal of |mode| in the character set of the current locale. Mouse
  // reports are asked for only where the terminal has them (|mouse|).
  bool Start(const DisplayMode& mode, bool mouse);
  // Gives the terminal back as it was.
  void Stop();

  void Size(int* cols, int* rows) const override;
  DisplayMode Mode() const override { return mode_; }
  void Show(const Canvas& canvas, CursorPos cursor) override;
  Key Read(int timeout_ms) override;
  bool InputLost() const override;
  void Beep() override;

 private:
  struct ::screen* screen_ = nullptr;
  DisplayMode mode_;
};

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_CURSES_SCREEN_H_

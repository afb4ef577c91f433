// The terminal as the dialog sees it: a grid to show a canvas on, and
// the keys and clicks it reads. The real one is the curses screen; tests
// drive the dialog through a screen of their own.
#ifndef OVIK_HOSTS_TERMINAL_SCREEN_H_
#define OVIK_HOSTS_TERMINAL_SCREEN_H_

#include "hosts/terminal/canvas.h"
#include "hosts/terminal/display_mode.h"
#include "hosts/terminal/keys.h"

namespace ovik::tui {

class Screen {
 public:
  virtual ~Screen() = default;
  virtual void Size(int* cols, int* rows) const = 0;
  // What the terminal can show; the canvas is drawn in any case.
  virtual DisplayMode Mode() const = 0;
  // Shows |canvas|; the cursor is shown at |cursor| when that is set.
  virtual void Show(const Canvas& canvas, CursorPos cursor) = 0;
  // The next key or click; KeyCode::kNone after |timeout_ms| without one.
  virtual Key Read(int timeout_ms) = 0;
  // Whether the terminal has gone away (hung up or closed).
  virtual bool InputLost() const = 0;
  virtual void Beep() = 0;
};

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_SCREEN_H_

// What the terminfo database says of the terminal named by TERM, read
// before curses starts: whether curses can drive it at all, how to ask
// it where its cursor is, and whether it reports the mouse.
#ifndef OVIK_HOSTS_TERMINAL_TERMINAL_CAPS_H_
#define OVIK_HOSTS_TERMINAL_TERMINAL_CAPS_H_

#include <string>

namespace ovik::tui {

struct TerminalCaps {
  // It can put the cursor anywhere on the screen (curses needs that).
  bool addressable = false;
  // How to ask for a cursor position report; empty when it has none.
  std::string cursor_request;
  // It reports mouse events.
  bool mouse = false;
};

// False when the database has no entry for |term|.
bool ReadTerminalCaps(const std::string& term, TerminalCaps* caps);

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_TERMINAL_CAPS_H_

#include "hosts/terminal/terminal_caps.h"

#include <unistd.h>

#include <curses.h>
#include <term.h>

namespace ovik::tui {
namespace {

// A string capability, or "" when the entry lacks it.
std::string StringCap(const char* name) {
  const char* value = tigetstr(name);
  if (value == nullptr || value == reinterpret_cast<const char*>(-1)) {
    return {};
  }
  return value;
}

}  // namespace

bool ReadTerminalCaps(const std::string& term, TerminalCaps* caps) {
  int error = 0;
  if (setupterm(term.c_str(), STDOUT_FILENO, &error) != OK) return false;
  TERMINAL* loaded = cur_term;
  TerminalCaps read;
  // A generic entry ("dumb", "unknown") or a printing terminal names no
  // screen to draw on, whatever else it has.
  read.addressable = !StringCap("cup").empty() && tigetflag("gn") <= 0 &&
                     tigetflag("hc") <= 0;
  read.cursor_request = StringCap("u7");
  read.mouse = !StringCap("kmous").empty();
  del_curterm(loaded);
  *caps = read;
  return true;
}

}  // namespace ovik::tui

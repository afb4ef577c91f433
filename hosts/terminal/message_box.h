// The message box: caption "Ovik", the message and OK. Enter, Esc, Space
// or a click on OK closes it.
#ifndef OVIK_HOSTS_TERMINAL_MESSAGE_BOX_H_
#define OVIK_HOSTS_TERMINAL_MESSAGE_BOX_H_

#include <string>
#include <string_view>

#include "hosts/terminal/canvas.h"
#include "hosts/terminal/display_mode.h"
#include "hosts/terminal/keys.h"
#include "hosts/terminal/modal_box.h"

namespace ovik::tui {

class MessageBox {
 public:
  // |message| as a terminal of |mode| shows it.
  MessageBox(std::string_view message, const DisplayMode& mode)
      : message_(ForDisplay(message, mode)) {}

  // Draws the box centred on |canvas|.
  CursorPos Render(Canvas* canvas) const;
  // |cols| x |rows|: the screen the box was drawn on.
  BoxStep Handle(const Key& key, int cols, int rows) const;

 private:
  std::string message_;
};

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_MESSAGE_BOX_H_

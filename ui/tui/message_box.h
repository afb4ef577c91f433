// The message box: caption "Ovik", the message and OK. Enter, Esc, Space
// or a click on OK closes it.
#ifndef OVIK_UI_TUI_MESSAGE_BOX_H_
#define OVIK_UI_TUI_MESSAGE_BOX_H_

#include <string>
#include <string_view>

#include "ui/tui/canvas.h"
#include "ui/tui/display_mode.h"
#include "ui/tui/keys.h"
#include "ui/tui/modal_box.h"

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

#endif  // OVIK_UI_TUI_MESSAGE_BOX_H_

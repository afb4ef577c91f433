// The About box in the terminal: its controls in memory, the shared
// About logic over them, and OK (Enter, Esc, Space or a click on OK)
// to close it.
#ifndef OVIK_UI_TUI_ABOUT_BOX_H_
#define OVIK_UI_TUI_ABOUT_BOX_H_

#include "platform/settings.h"
#include "ui/about_dialog.h"
#include "ui/memory_dialog_port.h"
#include "ui/tui/canvas.h"
#include "ui/tui/display_mode.h"
#include "ui/tui/keys.h"
#include "ui/tui/modal_box.h"

namespace ovik::tui {

class AboutBox {
 public:
  // Drawn for a terminal of |mode|.
  AboutBox(const RegisteredOwner& registered, const DisplayMode& mode);
  AboutBox(const AboutBox&) = delete;
  AboutBox& operator=(const AboutBox&) = delete;

  CursorPos Render(Canvas* canvas) const;
  BoxStep Handle(const Key& key, int cols, int rows);

  const MemoryDialogPort& port() const { return port_; }

 private:
  MemoryDialogPort port_;
  AboutDialog about_;
  DisplayMode mode_;
};

}  // namespace ovik::tui

#endif  // OVIK_UI_TUI_ABOUT_BOX_H_

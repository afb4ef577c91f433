// The About box in the terminal: its controls in memory, the shared
// About logic over them, and OK (Enter, Esc, Space or a click on OK)
// to close it.
#ifndef OVIK_HOSTS_TERMINAL_ABOUT_BOX_H_
#define OVIK_HOSTS_TERMINAL_ABOUT_BOX_H_

#include "platform/settings.h"
#include "dialog/about_dialog.h"
#include "dialog/memory_dialog_port.h"
#include "hosts/terminal/canvas.h"
#include "hosts/terminal/display_mode.h"
#include "hosts/terminal/keys.h"
#include "hosts/terminal/modal_box.h"

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

#endif  // OVIK_HOSTS_TERMINAL_ABOUT_BOX_H_

// The drive list opened under its control: Up, Down, Home and End move
// the mark, Enter, Space or a click chooses, Esc, Tab or a click
// elsewhere closes it without a choice.
#ifndef OVIK_HOSTS_TERMINAL_DROP_LIST_H_
#define OVIK_HOSTS_TERMINAL_DROP_LIST_H_

#include "dialog/memory_dialog_port.h"
#include "hosts/terminal/canvas.h"
#include "hosts/terminal/keys.h"
#include "hosts/terminal/modal_box.h"

namespace ovik::tui {

class DropList {
 public:
  // Opens on the selected entry of |port|'s drive list.
  explicit DropList(const MemoryDialogPort& port);

  CursorPos Render(Canvas* canvas) const;
  BoxStep Handle(const Key& key, int cols, int rows);

  int highlight() const { return highlight_; }
  // The entry chosen; -1 when the list was closed without a choice.
  int chosen() const { return chosen_; }

 private:
  BoxStep Choose(int index);

  const MemoryDialogPort& port_;
  int highlight_ = 0;
  int chosen_ = -1;
};

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_DROP_LIST_H_

// What a key does to a modal box of the terminal dialog. Each box (the
// message box, Save As, About, the open drive list) is a small state
// machine: the host draws it over the main dialog with Render, hands it
// every key with Handle, and reads its answer once it has closed.
#ifndef OVIK_HOSTS_TERMINAL_MODAL_BOX_H_
#define OVIK_HOSTS_TERMINAL_MODAL_BOX_H_

namespace ovik::tui {

enum class BoxStep {
  kOpen,    // the box stays
  kBeep,    // the box stays and refuses the key audibly
  kClosed,  // the box is done; its answer can be read
};

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_MODAL_BOX_H_

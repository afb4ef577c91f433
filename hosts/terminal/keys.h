// Keys as the terminal dialog sees them, and what a key does in the main
// dialog.
#ifndef OVIK_HOSTS_TERMINAL_KEYS_H_
#define OVIK_HOSTS_TERMINAL_KEYS_H_

#include <functional>

#include "dialog/control_ids.h"
#include "dialog/dialog_commands.h"

namespace ovik::tui {

enum class KeyCode {
  kNone,  // nothing arrived before the timeout
  kChar,  // a character, in Key::ch
  kTab,
  kBackTab,
  kEnter,
  kEscape,
  kUp,
  kDown,
  kLeft,
  kRight,
  kHome,
  kEnd,
  kPageUp,
  kPageDown,
  kBackspace,
  kDelete,
  kResize,
  kMouse,  // a click of the first button at (x, y)
  kInterrupt,  // Ctrl-C read as a character
};

struct Key {
  KeyCode code = KeyCode::kNone;
  char32_t ch = 0;
  bool alt = false;  // pressed with Alt (or after Esc)
  int x = 0;
  int y = 0;
};

// Focusable controls of the main dialog, in tab order. In the terminal
// the ranking takes the focus too (its frame's id stands for its rows)
// once it has rows to choose from.
inline constexpr int kMainTabOrder[] = {IDC_OK,         IDC_DRIVE_LIST,
                                       IDC_FIND,       IDC_REPORT_OUT,
                                       IDC_ABOUT,      IDC_RANKING_GROUP};

// The next enabled control in tab order after |current| (direction +1)
// or before it (-1), wrapping; |current| when no other is enabled.
int NextFocus(int current, int direction,
              const std::function<bool(int)>& enabled);

enum class MainActionKind {
  kNone,
  kPress,          // press button |id|
  kMoveFocus,      // to control |id|
  kDriveStep,      // select the drive |delta| entries away
  kOpenDriveList,
  kCommand,        // give the dialog |command| (the page arrows)
  kRowStep,        // move the ranking's mark |delta| rows
  kOpenRow,        // show where the marked row's bytes are
  kSwitchRanking,  // rank by owner <-> by group
  kSaveFind,       // keep the last Find in the history
  kQuit,
};

struct MainAction {
  MainActionKind kind = MainActionKind::kNone;
  int id = 0;
  int delta = 0;
  DialogCommand command = DialogCommand::kPageLeft;
};

// What |key| does in the main dialog whose focus is on |focus|.
// Disabled controls are neither pressed nor focused. Esc does nothing.
// Down moves the focus from a button to the ranking's rows; there Up and
// Down move the mark and Enter or Space opens the marked row. G switches
// the ranking between owners and groups; S saves the Find.
MainAction MapMainKey(const Key& key, int focus,
                      const std::function<bool(int)>& enabled);

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_KEYS_H_

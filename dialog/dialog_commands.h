// What the user asks of the main dialog, in the dialog logic's own words.
// Each host turns its own events (window messages, keys, clicks) into
// these; the logic never sees a host's codes.
#ifndef OVIK_DIALOG_DIALOG_COMMANDS_H_
#define OVIK_DIALOG_DIALOG_COMMANDS_H_

#include <cstdint>
#include <optional>

namespace ovik {

enum class DialogCommand : std::uint8_t {
  kOk,     // "OK": ends the dialog
  kClose,  // the window's close command (or the program
           // being told to end); also during a Find
  kFind,
  kReportOut,
  kAbout,
  kDriveSelectionChanged,  // another entry of the drive list is selected
  kPageLeft,               // the page scroll bar's left arrow
  kPageRight,              // its right arrow
};

// The command of the main dialog's button |id| (ui/control_ids.h);
// nothing for any other id, Esc's among them.
std::optional<DialogCommand> ButtonCommand(int id);

}  // namespace ovik

#endif  // OVIK_DIALOG_DIALOG_COMMANDS_H_

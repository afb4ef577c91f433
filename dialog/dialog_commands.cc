#include "dialog/dialog_commands.h"

#include "dialog/control_ids.h"

namespace ovik {

std::optional<DialogCommand> ButtonCommand(int id) {
  switch (id) {
    case IDC_OK:
      return DialogCommand::kOk;
    case IDC_FIND:
      return DialogCommand::kFind;
    case IDC_REPORT_OUT:
      return DialogCommand::kReportOut;
    case IDC_ABOUT:
      return DialogCommand::kAbout;
    default:
      return std::nullopt;
  }
}

}  // namespace ovik

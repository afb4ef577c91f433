#include "hosts/terminal/terminal_port.h"

namespace ovik::tui {

void TerminalPort::ShowError(std::string_view message) {
  if (host_ == nullptr) {
    MemoryDialogPort::ShowError(message);
    return;
  }
  host_->RunMessageBox(message);
}

SaveAsResult TerminalPort::AskSaveFileName(const SaveAsRequest& request,
                                           std::string* path) {
  if (host_ == nullptr) return MemoryDialogPort::AskSaveFileName(request, path);
  return host_->RunSaveAs(request, path);
}

bool TerminalPort::WaitForOutput() {
  return host_ == nullptr || host_->WaitForOutput();
}

}  // namespace ovik::tui

// The terminal's side of the dialog port: the controls kept in memory
// for the renderer to draw, and the modal boxes (message, Save As) run by
// the host through ModalHost.
#ifndef OVIK_HOSTS_TERMINAL_TERMINAL_PORT_H_
#define OVIK_HOSTS_TERMINAL_TERMINAL_PORT_H_

#include <string>
#include <string_view>

#include "dialog/dialog_template.h"
#include "dialog/memory_dialog_port.h"

namespace ovik::tui {

class ModalHost {
 public:
  virtual ~ModalHost() = default;
  virtual void RunMessageBox(std::string_view message) = 0;
  virtual SaveAsResult RunSaveAs(const SaveAsRequest& request,
                                 std::string* path) = 0;
  // Shows that a report waits for its reader; false when it is to be
  // given up (a key, or a request to end the dialog).
  virtual bool WaitForOutput() = 0;
};

class TerminalPort : public MemoryDialogPort {
 public:
  // Controls start with the texts of |dialog|, all enabled. Without a
  // |host|, errors are only kept and Save As fails.
  TerminalPort(const DialogTemplate& dialog, ModalHost* host)
      : MemoryDialogPort(dialog), host_(host) {}

  void ShowError(std::string_view message) override;
  SaveAsResult AskSaveFileName(const SaveAsRequest& request,
                               std::string* path) override;
  bool WaitForOutput() override;

 private:
  ModalHost* host_;
};

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_TERMINAL_PORT_H_

// The terminal's side of the dialog port: a model of a dialog's controls
// that the logic writes to and the renderer reads. Modal boxes (message,
// Save As) are run by the host through ModalHost.
#ifndef OVIK_UI_TUI_TERMINAL_PORT_H_
#define OVIK_UI_TUI_TERMINAL_PORT_H_

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ui/dialog_port.h"
#include "ui/tui/layout.h"

namespace ovik::tui {

class ModalHost {
 public:
  virtual ~ModalHost() = default;
  virtual void RunMessageBox(std::string_view message) = 0;
  virtual SaveAsResult RunSaveAs(const SaveAsRequest& request,
                                 std::string* path) = 0;
};

class TerminalPort : public DialogPort {
 public:
  // Controls start with the texts of |dialog_template|, all enabled.
  TerminalPort(std::span<const ControlSpec> dialog_template, ModalHost* host);

  void SetControlText(int id, std::string_view text) override;
  void EnableControl(int id, bool enabled) override;
  void ClearDriveList() override;
  void AddDrive(std::string_view root) override;
  int DriveCount() const override;
  void SelectDrive(int index) override;
  int SelectedDrive() const override;
  std::string DriveText(int index) const override;
  void SetScrollRange(int id, int min, int max) override;
  void SetScrollPos(int id, int pos) override;
  void ShowError(std::string_view message) override;
  SaveAsResult AskSaveFileName(const SaveAsRequest& request,
                               std::string* path) override;
  void EndDialog(int result) override;

  std::string Text(int id) const;
  bool Enabled(int id) const;
  const std::vector<std::string>& drives() const { return drives_; }
  int scroll_min() const { return scroll_min_; }
  int scroll_max() const { return scroll_max_; }
  int scroll_pos() const { return scroll_pos_; }
  std::optional<int> end_result() const { return end_result_; }

 private:
  struct Control {
    std::string text;
    bool enabled = true;
  };

  ModalHost* host_;
  std::map<int, Control> controls_;
  std::vector<std::string> drives_;
  int selected_ = -1;
  int scroll_min_ = 0;
  int scroll_max_ = 0;
  int scroll_pos_ = 0;
  std::optional<int> end_result_;
};

}  // namespace ovik::tui

#endif  // OVIK_UI_TUI_TERMINAL_PORT_H_

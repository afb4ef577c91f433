// A dialog port without a window: it keeps every control's text and
// state, the drive list and the scroll bar in memory, for a host that
// draws them itself (the terminal) and for tests. Message boxes and the
// Save As dialog need a host that can show them; here an error is only
// kept and Save As fails.
#ifndef OVIK_DIALOG_MEMORY_DIALOG_PORT_H_
#define OVIK_DIALOG_MEMORY_DIALOG_PORT_H_

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dialog/dialog_port.h"
#include "dialog/dialog_template.h"

namespace ovik {

class MemoryDialogPort : public DialogPort {
 public:
  // Controls without a text until the logic sets one, all enabled.
  MemoryDialogPort() = default;
  // Controls start with the texts of |dialog|, all enabled.
  explicit MemoryDialogPort(const DialogTemplate& dialog);

  void SetControlText(int id, std::string_view text) override;
  void EnableControl(int id, bool enabled) override;
  void ClearDriveList() override;
  void AddDrive(std::string_view root) override;
  int DriveCount() const override;
  void SelectDrive(int index) override;  // out of range: no selection
  int SelectedDrive() const override;
  std::string DriveText(int index) const override;
  void SetScrollRange(int id, int min, int max) override;
  void SetScrollPos(int id, int pos) override;  // held within the range
  void ShowError(std::string_view message) override;
  SaveAsResult AskSaveFileName(const SaveAsRequest& request,
                               std::string* path) override;
  void EndDialog(int result) override;

  // The control's text; empty when it has none.
  std::string Text(int id) const;
  bool HasText(int id) const { return texts_.count(id) != 0; }
  bool Enabled(int id) const;
  const std::vector<std::string>& drives() const { return drives_; }
  std::pair<int, int> scroll_range() const {
    return {scroll_min_, scroll_max_};
  }
  int scroll_pos() const { return scroll_pos_; }
  // Every message shown, in order.
  const std::vector<std::string>& errors() const { return errors_; }
  // The result the dialog was ended with; nothing while it is open.
  std::optional<int> end_result() const { return end_result_; }

 private:
  std::map<int, std::string> texts_;
  std::map<int, bool> enabled_;
  std::vector<std::string> drives_;
  std::vector<std::string> errors_;
  int selected_ = -1;
  int scroll_min_ = 0;
  int scroll_max_ = 0;
  int scroll_pos_ = 0;
  std::optional<int> end_result_;
};

}  // namespace ovik

#endif  // OVIK_DIALOG_MEMORY_DIALOG_PORT_H_

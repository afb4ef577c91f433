// A dialog port without a window: it keeps the controls' texts and the
// drive list so the headless commands can reuse the dialog's own logic.
#ifndef OVIK_UI_CLI_HEADLESS_PORT_H_
#define OVIK_UI_CLI_HEADLESS_PORT_H_

#include <map>
#include <string>
#include <vector>

#include "ui/dialog_port.h"

namespace ovik {

class HeadlessPort : public DialogPort {
 public:
  void SetControlText(int id, std::string_view text) override {
    texts_[id] = std::string(text);
  }
  void EnableControl(int, bool) override {}
  void ClearDriveList() override {
    drives_.clear();
    selected_ = -1;
  }
  void AddDrive(std::string_view root) override { drives_.emplace_back(root); }
  int DriveCount() const override { return static_cast<int>(drives_.size()); }
  void SelectDrive(int index) override { selected_ = index; }
  int SelectedDrive() const override { return selected_; }
  std::string DriveText(int index) const override {
    return index >= 0 && index < DriveCount()
               ? drives_[static_cast<std::size_t>(index)]
               : std::string();
  }
  void SetScrollRange(int, int, int) override {}
  void SetScrollPos(int, int) override {}
  void ShowError(std::string_view message) override {
    errors_.emplace_back(message);
  }
  SaveAsResult AskSaveFileName(const SaveAsRequest&, std::string*) override {
    return SaveAsResult::kCancelled;
  }
  void EndDialog(int) override {}

  std::string Text(int id) const {
    auto it = texts_.find(id);
    return it == texts_.end() ? std::string() : it->second;
  }
  const std::vector<std::string>& errors() const { return errors_; }

 private:
  std::map<int, std::string> texts_;
  std::vector<std::string> drives_;
  std::vector<std::string> errors_;
  int selected_ = -1;
};

}  // namespace ovik

#endif  // OVIK_UI_CLI_HEADLESS_PORT_H_

#include "dialog/memory_dialog_port.h"

#include <algorithm>

namespace ovik {

MemoryDialogPort::MemoryDialogPort(const DialogTemplate& dialog) {
  for (const ControlSpec& spec : dialog.controls) {
    if (spec.id >= 0) texts_[spec.id] = std::string(spec.text);
  }
}

void MemoryDialogPort::SetControlText(int id, std::string_view text) {
  texts_[id] = std::string(text);
}

void MemoryDialogPort::EnableControl(int id, bool enabled) {
  enabled_[id] = enabled;
}

void MemoryDialogPort::ClearDriveList() {
  drives_.clear();
  selected_ = -1;
}

void MemoryDialogPort::AddDrive(std::string_view root) {
  drives_.emplace_back(root);
}

int MemoryDialogPort::DriveCount() const {
  return static_cast<int>(drives_.size());
}

void MemoryDialogPort::SelectDrive(int index) {
  selected_ = (index >= 0 && index < DriveCount()) ? index : -1;
}

int MemoryDialogPort::SelectedDrive() const { return selected_; }

std::string MemoryDialogPort::DriveText(int index) const {
  if (index < 0 || index >= DriveCount()) return {};
  return drives_[static_cast<std::size_t>(index)];
}

void MemoryDialogPort::SetScrollRange(int /*id*/, int min, int max) {
  scroll_min_ = min;
  scroll_max_ = std::max(min, max);
  scroll_pos_ = std::clamp(scroll_pos_, scroll_min_, scroll_max_);
}

void MemoryDialogPort::SetScrollPos(int /*id*/, int pos) {
  scroll_pos_ = std::clamp(pos, scroll_min_, scroll_max_);
}

void MemoryDialogPort::ShowError(std::string_view message) {
  errors_.emplace_back(message);
}

SaveAsResult MemoryDialogPort::AskSaveFileName(const SaveAsRequest& /*request*/,
                                               std::string* /*path*/) {
  return SaveAsResult::kFailed;
}

void MemoryDialogPort::EndDialog(int result) { end_result_ = result; }

std::string MemoryDialogPort::Text(int id) const {
  auto it = texts_.find(id);
  return it == texts_.end() ? std::string() : it->second;
}

bool MemoryDialogPort::Enabled(int id) const {
  auto it = enabled_.find(id);
  return it == enabled_.end() || it->second;
}

}  // namespace ovik

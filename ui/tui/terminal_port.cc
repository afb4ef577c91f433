#include "ui/tui/terminal_port.h"

#include <algorithm>

namespace ovik::tui {

TerminalPort::TerminalPort(std::span<const ControlSpec> dialog_template,
                           ModalHost* host)
    : host_(host) {
  for (const ControlSpec& spec : dialog_template) {
    if (spec.id < 0) continue;
    controls_[spec.id] = Control{std::string(spec.text), true};
  }
}

void TerminalPort::SetControlText(int id, std::string_view text) {
  controls_[id].text = std::string(text);
}

void TerminalPort::EnableControl(int id, bool enabled) {
  controls_[id].enabled = enabled;
}

void TerminalPort::ClearDriveList() {
  drives_.clear();
  selected_ = -1;
}

void TerminalPort::AddDrive(std::string_view root) {
  drives_.emplace_back(root);
}

int TerminalPort::DriveCount() const { return static_cast<int>(drives_.size()); }

void TerminalPort::SelectDrive(int index) {
  selected_ = (index >= 0 && index < DriveCount()) ? index : -1;
}

int TerminalPort::SelectedDrive() const { return selected_; }

std::string TerminalPort::DriveText(int index) const {
  if (index < 0 || index >= DriveCount()) return {};
  return drives_[static_cast<std::size_t>(index)];
}

void TerminalPort::SetScrollRange(int /*id*/, int min, int max) {
  scroll_min_ = min;
  scroll_max_ = std::max(min, max);
  scroll_pos_ = std::clamp(scroll_pos_, scroll_min_, scroll_max_);
}

void TerminalPort::SetScrollPos(int /*id*/, int pos) {
  scroll_pos_ = std::clamp(pos, scroll_min_, scroll_max_);
}

void TerminalPort::ShowError(std::string_view message) {
  if (host_ != nullptr) host_->RunMessageBox(message);
}

SaveAsResult TerminalPort::AskSaveFileName(const SaveAsRequest& request,
                                           std::string* path) {
  if (host_ == nullptr) return SaveAsResult::kFailed;
  return host_->RunSaveAs(request, path);
}

void TerminalPort::EndDialog(int result) { end_result_ = result; }

std::string TerminalPort::Text(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? std::string() : it->second.text;
}

bool TerminalPort::Enabled(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() || it->second.enabled;
}

}  // namespace ovik::tui

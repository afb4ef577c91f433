#include "tests/fake_dialog_port.h"

namespace ovik {

void FakeDialogPort::SetControlText(int id, std::string_view text) {
  texts_[id] = std::string(text);
  ++text_writes;
}

void FakeDialogPort::EnableControl(int id, bool enabled) {
  enabled_[id] = enabled;
}

void FakeDialogPort::ClearDriveList() {
  drives.clear();
  selected = -1;
}

void FakeDialogPort::AddDrive(std::string_view root) {
  drives.emplace_back(root);
}

int FakeDialogPort::DriveCount() const { return static_cast<int>(drives.size()); }

void FakeDialogPort::SelectDrive(int index) {
  selected = (index >= 0 && index < DriveCount()) ? index : -1;
}

int FakeDialogPort::SelectedDrive() const { return selected; }

std::string FakeDialogPort::DriveText(int index) const {
  if (index < 0 || index >= DriveCount()) return {};
  return drives[static_cast<size_t>(index)];
}

void FakeDialogPort::SetScrollRange(int id, int min, int max) {
  scroll_range[id] = {min, max};
}

void FakeDialogPort::SetScrollPos(int id, int pos) { scroll_pos[id] = pos; }

void FakeDialogPort::ShowError(std::string_view message) {
  errors.emplace_back(message);
}

SaveAsResult FakeDialogPort::AskSaveFileName(const SaveAsRequest& request,
                                             std::string* path) {
  save_as_requests.push_back(request);
  if (save_as_answers_.empty()) return SaveAsResult::kCancelled;
  auto [result, chosen] = save_as_answers_.front();
  save_as_answers_.pop_front();
  if (result == SaveAsResult::kChosen) *path = chosen;
  return result;
}

void FakeDialogPort::EndDialog(int result) { end_result = result; }

std::string FakeDialogPort::Text(int id) const {
  auto it = texts_.find(id);
  return it == texts_.end() ? "<unset>" : it->second;
}

bool FakeDialogPort::Enabled(int id) const {
  auto it = enabled_.find(id);
  return it == enabled_.end() || it->second;
}

void FakeDialogPort::QueueSaveAs(SaveAsResult result, std::string path) {
  save_as_answers_.emplace_back(result, std::move(path));
}

}  // namespace ovik

#include "tests/fake_dialog_port.h"

namespace ovik {

void FakeDialogPort::SetControlText(int id, std::string_view text) {
  MemoryDialogPort::SetControlText(id, text);
  ++text_writes_;
}

SaveAsResult FakeDialogPort::AskSaveFileName(const SaveAsRequest& request,
                                             std::string* path) {
  save_as_requests_.push_back(request);
  if (save_as_answers_.empty()) return SaveAsResult::kCancelled;
  auto [result, chosen] = save_as_answers_.front();
  save_as_answers_.pop_front();
  if (result == SaveAsResult::kChosen) *path = chosen;
  return result;
}

void FakeDialogPort::QueueSaveAs(SaveAsResult result, std::string path) {
  save_as_answers_.emplace_back(result, std::move(path));
}

}  // namespace ovik

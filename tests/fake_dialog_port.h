// The in-memory dialog port with what tests want on top: every text
// write counted, and the Save As dialog answered from a queue with the
// requests kept.
#ifndef OVIK_TESTS_FAKE_DIALOG_PORT_H_
#define OVIK_TESTS_FAKE_DIALOG_PORT_H_

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "dialog/memory_dialog_port.h"

namespace ovik {

class FakeDialogPort : public MemoryDialogPort {
 public:
  void SetControlText(int id, std::string_view text) override;
  // The next queued answer; kCancelled when none is queued.
  SaveAsResult AskSaveFileName(const SaveAsRequest& request,
                               std::string* path) override;

  void QueueSaveAs(SaveAsResult result, std::string path = {});

  int text_writes() const { return text_writes_; }
  const std::vector<SaveAsRequest>& save_as_requests() const {
    return save_as_requests_;
  }

 private:
  int text_writes_ = 0;
  std::vector<SaveAsRequest> save_as_requests_;
  std::deque<std::pair<SaveAsResult, std::string>> save_as_answers_;
};

}  // namespace ovik

#endif  // OVIK_TESTS_FAKE_DIALOG_PORT_H_

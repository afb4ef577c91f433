// A dialog port that keeps the state of every control in memory and
// records what the logic did to it, for tests.
#ifndef OVIK_TESTS_FAKE_DIALOG_PORT_H_
#define OVIK_TESTS_FAKE_DIALOG_PORT_H_

#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ui/dialog_port.h"

namespace ovik {

class FakeDialogPort : public DialogPort {
 public:
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

  // Text of a control; "<unset>" when the logic never set it.
  std::string Text(int id) const;
  bool IsSet(int id) const { return texts_.count(id) != 0; }
  // Controls are enabled until the logic disables them.
  bool Enabled(int id) const;

  // The next answers of the Save As dialog, in order; kCancelled when
  // none is queued.
  void QueueSaveAs(SaveAsResult result, std::string path = {});

  std::vector<std::string> drives;
  int selected = -1;
  std::map<int, std::pair<int, int>> scroll_range;
  std::map<int, int> scroll_pos;
  std::vector<std::string> errors;
  std::vector<SaveAsRequest> save_as_requests;
  int end_result = -1;  // -1 while the dialog is open
  int text_writes = 0;  // every SetControlText call

 private:
  std::map<int, std::string> texts_;
  std::map<int, bool> enabled_;
  std::deque<std::pair<SaveAsResult, std::string>> save_as_answers_;
};

}  // namespace ovik

#endif  // OVIK_TESTS_FAKE_DIALOG_PORT_H_

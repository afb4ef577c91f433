// What the dialog logic asks of its window. The Win32 dialog, the
// terminal dialog and the tests each implement it, so one copy of the
// logic drives all of them.
#ifndef OVIK_DIALOG_DIALOG_PORT_H_
#define OVIK_DIALOG_DIALOG_PORT_H_

#include <string>
#include <string_view>

namespace ovik {

struct SaveAsRequest {
  std::string_view title;              // "ログファイル名を指定"
  std::string_view default_extension;  // "txt"
};

enum class SaveAsResult { kChosen, kCancelled, kFailed };

class DialogPort {
 public:
  virtual ~DialogPort() = default;

  // Controls, known by their ids (ui/control_ids.h). Texts are UTF-8.
  virtual void SetControlText(int id, std::string_view text) = 0;
  virtual void EnableControl(int id, bool enabled) = 0;

  // The drive drop-down list.
  virtual void ClearDriveList() = 0;
  virtual void AddDrive(std::string_view root) = 0;
  virtual int DriveCount() const = 0;
  virtual void SelectDrive(int index) = 0;
  virtual int SelectedDrive() const = 0;  // -1 when nothing is selected
  virtual std::string DriveText(int index) const = 0;

  // The page scroll bar.
  virtual void SetScrollRange(int id, int min, int max) = 0;
  virtual void SetScrollPos(int id, int pos) = 0;

  // A modal error box with the caption "Ovik".
  virtual void ShowError(std::string_view message) = 0;

  // The Save As dialog. On kChosen, *path is the chosen file.
  virtual SaveAsResult AskSaveFileName(const SaveAsRequest& request,
                                       std::string* path) = 0;

  // Asked about ten times a second while a report waits for its reader
  // (a FIFO nobody has opened, a reader that stalls): false gives up. A
  // window that cannot be answered meanwhile waits as long as it takes.
  virtual bool WaitForOutput() { return true; }

  // Ends the dialog with |result|.
  virtual void EndDialog(int result) = 0;
};

}  // namespace ovik

#endif  // OVIK_DIALOG_DIALOG_PORT_H_

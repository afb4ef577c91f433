// The dialog port on a real Win32 dialog: control texts through the wide
// API, the drive list as a combo box, errors as message boxes and the
// system's Save As dialog.
#ifndef OVIK_HOSTS_WIN32_WIN32_DIALOG_PORT_H_
#define OVIK_HOSTS_WIN32_WIN32_DIALOG_PORT_H_

#include <windows.h>

#include <string>
#include <string_view>

#include "dialog/dialog_port.h"

namespace ovik {

class Win32DialogPort : public DialogPort {
 public:
  explicit Win32DialogPort(HWND dialog) : dialog_(dialog) {}

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

  HWND dialog() const { return dialog_; }

 private:
  HWND dialog_;
};

}  // namespace ovik

#endif  // OVIK_HOSTS_WIN32_WIN32_DIALOG_PORT_H_

// The dialog procedures of the main dialog and the About box. They turn
// window messages into the shared dialog logic's commands
// (ui/dialog_commands.h); everything the dialogs show is decided there.
#ifndef OVIK_HOSTS_WIN32_DIALOG_PROCS_H_
#define OVIK_HOSTS_WIN32_DIALOG_PROCS_H_

#include <windows.h>

#include <functional>
#include <memory>

#include "platform/filesystem.h"
#include "platform/settings.h"
#include "platform/volumes.h"
#include "scan/scan.h"
#include "dialog/main_dialog.h"
#include "hosts/win32/win32_dialog_port.h"

namespace ovik {

// Posted by the Find's thread to the main dialog when its walk has ended.
inline constexpr UINT kScanDoneMessage = WM_APP + 1;

// What a main dialog works with. Passed as the creation parameter of
// dialog 101; must outlive the dialog.
struct MainDialogSetup {
  FileSystem* fs = nullptr;
  VolumeSource* volumes = nullptr;
  ScanOptions scan_options = {.threads = 0};  // a thread per processor
  // Makes the dialog's port; the plain Win32 port when empty.
  std::function<std::unique_ptr<Win32DialogPort>(HWND)> make_port;
  // Reads the names for the About box; when empty, from the registry
  // key and values that the program's string table names.
  std::function<RegisteredOwner()> read_registered_owner;
};

// Dialog 101. lParam of WM_INITDIALOG: a MainDialogSetup*.
INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM w_param,
                                LPARAM l_param);
// Dialog 104. lParam of WM_INITDIALOG: a MainDialogSetup* or null.
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM w_param,
                                 LPARAM l_param);

// The logic behind a main dialog window created with MainDialogProc;
// null for any other window.
const MainDialog* MainDialogOf(HWND dialog);

}  // namespace ovik

#endif  // OVIK_HOSTS_WIN32_DIALOG_PROCS_H_

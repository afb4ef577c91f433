// The dialog procedures of the main dialog and the About box. They turn
// window messages into the shared dialog logic's commands
// (dialog/dialog_commands.h); everything the dialogs show is decided there.
#ifndef OVIK_HOSTS_WIN32_DIALOG_PROCS_H_
#define OVIK_HOSTS_WIN32_DIALOG_PROCS_H_

#include <windows.h>

#include "platform/filesystem.h"
#include "platform/volumes.h"
#include "scan/scan.h"

namespace ovik {

// Posted by the Find's thread to the main dialog when its walk has ended.
inline constexpr UINT kScanDoneMessage = WM_APP + 1;

// What a main dialog works with. Passed as the creation parameter of
// dialog 101; must outlive the dialog.
struct MainDialogSetup {
  FileSystem* fs = nullptr;
  VolumeSource* volumes = nullptr;
  // A thread per processor; the volume's own table where it can serve
  // (a local NTFS volume the account may open), else the walk.
  ScanOptions scan_options = {.threads = 0, .method = CountMethod::kAuto};
};

// Dialog 101. lParam of WM_INITDIALOG: a MainDialogSetup*.
INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM w_param,
                                LPARAM l_param);
// Dialog 104, showing the names registered in the registry key and values
// that the program's string table names. lParam of WM_INITDIALOG: unused.
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM w_param,
                                 LPARAM l_param);

}  // namespace ovik

#endif  // OVIK_HOSTS_WIN32_DIALOG_PROCS_H_

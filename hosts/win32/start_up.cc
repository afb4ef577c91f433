#include "hosts/win32/start_up.h"

#include <commctrl.h>

#include "platform/exit_status.h"
#include "platform/filesystem.h"
#include "platform/volumes.h"
#include "dialog/control_ids.h"
#include "hosts/win32/dialog_procs.h"

namespace ovik {
namespace {

constexpr char kThreeDLibrary[] = "ctl3d32.dll";

// Each entry point takes the program's instance.
using ThreeDEntry = BOOL(WINAPI*)(HANDLE);

ThreeDEntry FindEntry(HMODULE library, const char* name) {
  const FARPROC proc = GetProcAddress(library, name);
  // Through the generic function pointer type, so the compiler accepts
  // the change of signature.
  return reinterpret_cast<ThreeDEntry>(reinterpret_cast<void (*)()>(proc));
}

}  // namespace

ThreeDControls::ThreeDControls(HINSTANCE instance) : instance_(instance) {
  OFSTRUCT found = {};
  found.cBytes = sizeof(found);
  if (OpenFile(kThreeDLibrary, &found, OF_EXIST) == HFILE_ERROR) return;
  library_ = LoadLibraryA(kThreeDLibrary);
  if (library_ == nullptr) return;
  if (ThreeDEntry reg = FindEntry(library_, "Ctl3dRegister")) reg(instance_);
  if (ThreeDEntry subclass = FindEntry(library_, "Ctl3dAutoSubclass")) {
    subclass(instance_);
  }
}

ThreeDControls::~ThreeDControls() {
  if (library_ == nullptr) return;
  if (ThreeDEntry unregister = FindEntry(library_, "Ctl3dUnregister")) {
    unregister(instance_);
  }
  FreeLibrary(library_);
}

int RunOvik(HINSTANCE instance) {
  // Standard controls in the current look where the system has one.
  INITCOMMONCONTROLSEX common = {sizeof(common), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&common);

  ThreeDControls three_d(instance);
  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  std::unique_ptr<VolumeSource> volumes = MakeSystemVolumeSource();
  MainDialogSetup setup;
  setup.fs = fs.get();
  setup.volumes = volumes.get();
  DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr,
                  MainDialogProc, reinterpret_cast<LPARAM>(&setup));
  return kExitOk;
}

}  // namespace ovik

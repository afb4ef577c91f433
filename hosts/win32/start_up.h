// Start-up of Ovik.exe: the optional 3D look of the dialog controls, the
// main dialog, and the clean-up after it.
#ifndef OVIK_HOSTS_WIN32_START_UP_H_
#define OVIK_HOSTS_WIN32_START_UP_H_

#include <windows.h>

namespace ovik {

// The optional "ctl3d32.dll": loaded only when it is on the library
// search path; each entry point is called only when the library has it.
class ThreeDControls {
 public:
  // Registers the program with the library and turns on automatic
  // subclassing of its dialogs.
  explicit ThreeDControls(HINSTANCE instance);
  // Unregisters and unloads.
  ~ThreeDControls();

  ThreeDControls(const ThreeDControls&) = delete;
  ThreeDControls& operator=(const ThreeDControls&) = delete;

  bool loaded() const { return library_ != nullptr; }

 private:
  HINSTANCE instance_;
  HMODULE library_ = nullptr;
};

// Runs the whole program: 3D controls, the main dialog, clean-up.
// Returns kExitOk.
int RunOvik(HINSTANCE instance);

}  // namespace ovik

#endif  // OVIK_HOSTS_WIN32_START_UP_H_

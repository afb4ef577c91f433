// Entry point of Ovik.exe, a GUI program without a command line.
#include <windows.h>

#include "hosts/win32/start_up.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/,
                   LPSTR /*command_line*/, int /*show*/) {
  return ovik::RunOvik(instance);
}

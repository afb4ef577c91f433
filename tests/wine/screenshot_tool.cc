// Takes the pictures of the dialogs for the documentation: the main
// dialog after a Find on the drive given as the first argument, and the
// About box. Each is written as a 24-bit BMP into the folder given as
// the second argument (main.bmp, about.bmp). Run by scripts/screenshots.sh.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/volumes.h"
#include "platform/wide_text_win32.h"
#include "dialog/control_ids.h"
#include "hosts/win32/dialog_procs.h"
#include "tests/win32_test_util.h"

namespace {

void Pump(DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  while (GetTickCount64() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

// Copies the window as it is on the screen, frame included.
bool SaveWindow(HWND window, const std::wstring& path) {
  RECT rect;
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files are
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap =
      CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = static_cast<DWORD>((width * 3 + 3) & ~3);
  const DWORD image_size = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
  file.bfSize = file.bfOffBits + image_size;
  HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  bool ok = out != INVALID_HANDLE_VALUE;
  if (ok) {
    DWORD written = 0;
    ok = WriteFile(out, &file, sizeof(file), &written, nullptr) &&
         WriteFile(out, &info.bmiHeader, sizeof(info.bmiHeader), &written,
                   nullptr) &&
         WriteFile(out, bits, image_size, &written, nullptr);
    CloseHandle(out);
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const std::wstring drive = argv[1];
  const std::wstring folder = std::wstring(argv[2]) + L"\\";
  std::unique_ptr<ovik::FileSystem> fs = ovik::MakeSystemFileSystem();
  std::unique_ptr<ovik::VolumeSource> volumes = ovik::MakeSystemVolumeSource();
  ovik::MainDialogSetup setup;
  setup.fs = fs.get();
  setup.volumes = volumes.get();
  // The names the About box shows, while the pictures are taken.
  ovik::win32_test::RegistryValue owner(L"RegisteredOwner", L"Taro Yamada");
  ovik::win32_test::RegistryValue company(L"RegisteredOrganization",
                                    L"Example Corporation");
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  HWND main = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MAIN),
                                 nullptr, ovik::MainDialogProc,
                                 reinterpret_cast<LPARAM>(&setup));
  if (main == nullptr) return 1;
  const LRESULT index = SendDlgItemMessageW(
      main, IDC_DRIVE_LIST, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
      reinterpret_cast<LPARAM>(drive.c_str()));
  if (index == CB_ERR) return 1;
  SendDlgItemMessageW(main, IDC_DRIVE_LIST, CB_SETCURSEL,
                      static_cast<WPARAM>(index), 0);
  SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_DRIVE_LIST, CBN_SELCHANGE),
               0);
  SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_FIND, BN_CLICKED), 0);
  for (int i = 0; i < 600 && !IsWindowEnabled(main); ++i) Pump(100);
  SetFocus(GetDlgItem(main, IDC_FIND));
  Pump(1500);
  if (!SaveWindow(main, folder + L"main.bmp")) return 1;

  HWND about = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_ABOUT),
                                  nullptr, ovik::AboutDialogProc, 0);
  if (about == nullptr) return 1;
  SetWindowPos(about, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  Pump(1500);
  if (!SaveWindow(about, folder + L"about.bmp")) return 1;
  DestroyWindow(about);
  DestroyWindow(main);
  return 0;
}

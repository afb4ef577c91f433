// A stand-in for the 3D-controls library that records which entry points
// the program calls, in order, and with which instance: one line each in
// ctl3d.log beside the DLL. Built once complete and once without
// Ctl3dAutoSubclass (OVIK_FAKE_CTL3D_PARTIAL).
#include <windows.h>

#include <string>

namespace {

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

void Record(const char* entry, HANDLE instance) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(ThisModule(), path, MAX_PATH);
  std::wstring log(path, length);
  log.resize(log.find_last_of(L'\\') + 1);
  log += L"ctl3d.log";
  HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  // Whether the program passed its own instance.
  const bool own = instance == GetModuleHandleW(nullptr);
  const std::string line =
      std::string(entry) + (own ? " program" : " other") + "\n";
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written,
            nullptr);
  CloseHandle(file);
}

}  // namespace

extern "C" {

__declspec(dllexport) BOOL WINAPI Ctl3dRegister(HANDLE instance) {
  Record("Ctl3dRegister", instance);
  return TRUE;
}

#ifndef OVIK_FAKE_CTL3D_PARTIAL
__declspec(dllexport) BOOL WINAPI Ctl3dAutoSubclass(HANDLE instance) {
  Record("Ctl3dAutoSubclass", instance);
  return TRUE;
}
#endif

__declspec(dllexport) BOOL WINAPI Ctl3dUnregister(HANDLE instance) {
  Record("Ctl3dUnregister", instance);
  return TRUE;
}

}  // extern "C"

#include <windows.h>

#include "platform/status.h"
#include "platform/wide_text_win32.h"

namespace ovik {

Status Status::FromSystemError(int system_error) {
  switch (static_cast<DWORD>(system_error)) {
    case ERROR_SUCCESS:
      return Status();
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return Status(StatusCode::kNotFound, system_error);
    case ERROR_DIRECTORY:
      return Status(StatusCode::kNotDirectory, system_error);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_PRIVILEGE_NOT_HELD:
      return Status(StatusCode::kAccessDenied, system_error);
    case ERROR_TOO_MANY_OPEN_FILES:
      return Status(StatusCode::kTooManyOpen, system_error);
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return Status(StatusCode::kNoMemory, system_error);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_FILE_TOO_LARGE:
      return Status(StatusCode::kNoSpace, system_error);
    case ERROR_NOT_SUPPORTED:
    case ERROR_CALL_NOT_IMPLEMENTED:
      return Status(StatusCode::kUnsupported, system_error);
    default:
      return Status(StatusCode::kOther, system_error);
  }
}

std::string SystemErrorText(int system_error) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(system_error), 0,
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = n != 0 ? std::wstring(text, n) : std::wstring();
  if (text != nullptr) LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' ||
                           wide.back() == L' ' || wide.back() == L'.')) {
    wide.pop_back();
  }
  if (wide.empty()) return "error " + std::to_string(system_error);
  return WideToUtf8(wide);
}

}  // namespace ovik

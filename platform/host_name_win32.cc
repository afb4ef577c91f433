#include "platform/host_name.h"

#include <windows.h>

#include "platform/wide_text_win32.h"

namespace ovik {

Status ReadHostName(std::string* name) {
  wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(buffer, &size)) {
    return Status::FromSystemError(static_cast<int>(GetLastError()));
  }
  *name = WideToUtf8(std::wstring_view(buffer, size));
  return Status::Ok();
}

}  // namespace ovik

// The registered owner and organisation from the registry. The key is
// opened for reading only: an ordinary user may read it but not change
// it, and asking for more would lose both names for that user.
#include "platform/settings.h"

#include <windows.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/wide_text_win32.h"

namespace ovik {
namespace {

// A string value, whatever its length. Registry strings need not end in
// a NUL, and may hold one early; the text ends at the first NUL or at the
// end of the data.
std::optional<std::string> QueryString(HKEY key, const std::wstring& name) {
  std::vector<BYTE> data(256);
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(data.size());
    const LSTATUS status = RegQueryValueExW(key, name.c_str(), nullptr,
                                            &type, data.data(), &size);
    if (status == ERROR_MORE_DATA) {
      data.assign(static_cast<std::size_t>(size) + sizeof(wchar_t), 0);
      continue;
    }
    if (status != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    std::wstring text(size / sizeof(wchar_t), L'\0');
    if (!text.empty()) {
      std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
    }
    const std::size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    return WideToUtf8(text);
  }
  return std::nullopt;
}

}  // namespace

Status ReadRegisteredOwner(const RegisteredOwnerKey& where,
                           RegisteredOwner* registered) {
  HKEY key = nullptr;
  const LSTATUS opened =
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, Utf8ToWide(where.key).c_str(), 0,
                    KEY_READ | KEY_WOW64_64KEY, &key);
  if (opened != ERROR_SUCCESS) {
    return Status::FromSystemError(static_cast<int>(opened));
  }
  registered->owner = QueryString(key, Utf8ToWide(where.owner_value));
  registered->organization =
      QueryString(key, Utf8ToWide(where.organization_value));
  RegCloseKey(key);
  return Status::Ok();
}

}  // namespace ovik

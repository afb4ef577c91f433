#include "platform/wide_text_win32.h"

#include <windows.h>

#include <climits>

namespace ovik {

std::wstring Utf8ToWide(std::string_view utf8) {
  if (utf8.empty() || utf8.size() > INT_MAX) return std::wstring();
  const int in_size = static_cast<int>(utf8.size());
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in_size, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in_size, wide.data(), size);
  return wide;
}

std::string WideToCodePage(std::wstring_view wide, unsigned code_page) {
  if (wide.empty() || wide.size() > INT_MAX) return std::string();
  const int in_size = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(code_page, 0, wide.data(), in_size,
                                       nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), in_size, bytes.data(), size,
                      nullptr, nullptr);
  return bytes;
}

std::string WideToUtf8(std::wstring_view wide) {
  return WideToCodePage(wide, CP_UTF8);
}

}  // namespace ovik

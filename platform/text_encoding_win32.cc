// Reports are read with the tools of the user's own locale, so they are
// written in the ANSI code page. Characters that code page cannot hold
// become its default character ('?').
#include "platform/text_encoding.h"

#include <windows.h>

#include <climits>

#include "platform/wide_text_win32.h"

namespace ovik {

std::string ToReportEncoding(std::string_view utf8) {
  const std::wstring wide = Utf8ToWide(utf8);
  if (wide.empty() || wide.size() > INT_MAX) return std::string();
  const int in_size = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), in_size,
                                       nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), in_size, bytes.data(), size,
                      nullptr, nullptr);
  return bytes;
}

}  // namespace ovik

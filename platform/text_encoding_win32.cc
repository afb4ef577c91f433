// Reports are read with the tools of the user's own locale, so they are
// written in the ANSI code page. Characters that code page cannot hold
// become its default character ('?').
#include "platform/text_encoding.h"

#include <windows.h>

#include "platform/wide_text_win32.h"

namespace ovik {

std::string ToReportEncoding(std::string_view utf8) {
  return WideToCodePage(Utf8ToWide(utf8), CP_ACP);
}

}  // namespace ovik

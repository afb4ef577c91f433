// UTF-8 inside, UTF-16 at the Windows boundary: the conversions every
// Win32 file of the program uses.
#ifndef OVIK_PLATFORM_WIDE_TEXT_WIN32_H_
#define OVIK_PLATFORM_WIDE_TEXT_WIN32_H_

#include <string>
#include <string_view>

namespace ovik {

// Invalid UTF-8 sequences become U+FFFD.
std::wstring Utf8ToWide(std::string_view utf8);
// |wide| in the bytes of |code_page| (CP_UTF8, CP_ACP, ...). Characters
// the code page cannot hold become its default character; unpaired
// surrogates become U+FFFD in UTF-8.
std::string WideToCodePage(std::wstring_view wide, unsigned code_page);
std::string WideToUtf8(std::wstring_view wide);

}  // namespace ovik

#endif  // OVIK_PLATFORM_WIDE_TEXT_WIN32_H_

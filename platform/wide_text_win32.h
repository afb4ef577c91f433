// UTF-8 inside, UTF-16 at the Windows boundary: the two conversions every
// Win32 file of the program uses.
#ifndef OVIK_PLATFORM_WIDE_TEXT_WIN32_H_
#define OVIK_PLATFORM_WIDE_TEXT_WIN32_H_

#include <string>
#include <string_view>

namespace ovik {

// Invalid UTF-8 sequences become U+FFFD.
std::wstring Utf8ToWide(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string WideToUtf8(std::wstring_view wide);

}  // namespace ovik

#endif  // OVIK_PLATFORM_WIDE_TEXT_WIN32_H_

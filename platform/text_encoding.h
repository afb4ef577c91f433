// The byte encoding of files the user reads outside Ovik.
#ifndef OVIK_PLATFORM_TEXT_ENCODING_H_
#define OVIK_PLATFORM_TEXT_ENCODING_H_

#include <string>
#include <string_view>

namespace ovik {

// Converts UTF-8 text to the encoding reports are written in: UTF-8 on
// POSIX systems, the ANSI code page on Windows.
std::string ToReportEncoding(std::string_view utf8);

}  // namespace ovik

#endif  // OVIK_PLATFORM_TEXT_ENCODING_H_

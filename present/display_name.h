// Names from the file system or the account database made safe to show:
// a name may hold any bytes, but a report line or a screen row must stay
// one line and valid text.
#ifndef OVIK_PRESENT_DISPLAY_NAME_H_
#define OVIK_PRESENT_DISPLAY_NAME_H_

#include <string>
#include <string_view>

namespace ovik {

// Shown in place of a byte or character that cannot be shown.
inline constexpr char kUnshowable = '?';

// |name| as valid UTF-8 without control characters: every C0 control
// (line breaks and tabs included), DEL and C1 control becomes one '?',
// and so does every byte that is not part of a well-formed UTF-8
// sequence (overlong forms, surrogates and code points beyond U+10FFFF
// included). Everything else is kept, so the name is never cut.
std::string SanitizeName(std::string_view name);

// |name| with every byte SanitizeName would replace, and the backslash,
// written as a backslash and three octal digits ("\012" for a line
// break): one line of valid UTF-8 that a terminal shows as text, from
// which the exact bytes can be had again.
std::string EscapeName(std::string_view name);

// Replaces C0 controls and DEL with '?' in text of any ASCII-compatible
// encoding; bytes of 0x80 and above are left alone.
std::string ReplaceAsciiControls(std::string_view text);

}  // namespace ovik

#endif  // OVIK_PRESENT_DISPLAY_NAME_H_

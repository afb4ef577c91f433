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

// Whether |c| is an invisible character that changes how the text around
// it reads: the bidirectional controls (U+202A-U+202E, U+2066-U+2069 and
// the marks U+200E, U+200F, U+061C), which can make a name read backwards
// or swap it with its neighbours, and the other format characters that
// show nothing (zero-width space, word joiner, soft hyphen, byte order
// mark, tags, ...), which make two names look alike. The joiners U+200C
// and U+200D are not among them: scripts and emoji need them.
bool IsMisleadingFormat(char32_t c);

// |name| as valid UTF-8 that shows what it is: every C0 control (line
// breaks and tabs included), DEL, C1 control and misleading format
// character becomes one '?', and so does every byte that is not part of
// a well-formed UTF-8 sequence (overlong forms, surrogates and code
// points beyond U+10FFFF included). Everything else is kept, so the name
// is never cut.
std::string SanitizeName(std::string_view name);

// |name| with every byte SanitizeName would replace, and the backslash,
// written as a backslash and three octal digits ("\012" for a line
// break): one line of valid UTF-8 that a terminal shows as text, from
// which the exact bytes can be had again. The one form of a name or path
// in every line-oriented output and message.
std::string EscapeName(std::string_view name);

// Replaces C0 controls and DEL with '?' in text of any ASCII-compatible
// encoding; bytes of 0x80 and above are left alone.
std::string ReplaceAsciiControls(std::string_view text);

}  // namespace ovik

#endif  // OVIK_PRESENT_DISPLAY_NAME_H_

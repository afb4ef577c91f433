// What the terminal can show, decided once at start-up from its answer
// to a test print, its name (TERM) and the locale, and what the dialog's
// fixed texts become on a terminal that cannot show Japanese.
#ifndef OVIK_HOSTS_TERMINAL_DISPLAY_MODE_H_
#define OVIK_HOSTS_TERMINAL_DISPLAY_MODE_H_

#include <optional>
#include <string>
#include <string_view>

namespace ovik::tui {

struct DisplayMode {
  // The terminal decodes UTF-8. Otherwise it shows ASCII and what the
  // locale's own single-byte character set has.
  bool utf8 = true;
  // Wide characters (Japanese among them) are shown, in two cells each.
  bool wide = true;
  // Frames are drawn with Unicode's box-drawing characters; otherwise
  // with the terminal's own line-drawing set (plain ASCII without one).
  bool unicode_lines = true;

  bool ShowsJapanese() const { return utf8 && wide; }
};

// A terminal that does not decode UTF-8.
inline constexpr DisplayMode kSingleByteMode{false, false, false};

// The test print: a narrow and a wide character, "¢" and "丠". Every
// byte of their UTF-8 encoding is a printable character of the ISO 8859
// sets, so the cells the print takes tell the three kinds of terminal
// apart.
inline constexpr std::string_view kProbeText = "\u00A2\u4E20";
inline constexpr int kProbeCellsUtf8Wide = 3;
inline constexpr int kProbeCellsUtf8Narrow = 2;
// A single-byte terminal takes one cell for each byte, 5.

struct TerminalFacts {
  bool locale_utf8 = false;  // the environment's locale uses UTF-8
  std::string term;          // the value of TERM
  // Cells the test print took; none when the terminal did not answer.
  std::optional<int> probe_cells;
};

DisplayMode DecideDisplayMode(const TerminalFacts& facts);

// |text| as the dialog shows it: a Japanese text of ui/texts.h becomes
// its English one where the terminal cannot show Japanese.
std::string_view ForDisplay(std::string_view text, const DisplayMode& mode);

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_DISPLAY_MODE_H_

#include "hosts/terminal/display_mode.h"

#include "dialog/texts.h"

namespace ovik::tui {
namespace {

// The Linux virtual console: its fonts have no glyphs for wide
// characters, and it draws lines best through its own set.
bool IsLinuxConsole(std::string_view term) {
  return term == "linux" || term.starts_with("linux-");
}

// The serial terminals (vt52, vt100, vt220, ...) and their emulations
// predate UTF-8: without an answer they are taken at their word.
bool IsDecTerminal(std::string_view term) {
  return term.size() > 2 && term.starts_with("vt") && term[2] >= '0' &&
         term[2] <= '9';
}

}  // namespace

DisplayMode DecideDisplayMode(const TerminalFacts& facts) {
  DisplayMode mode;
  if (facts.probe_cells) {
    mode.utf8 = *facts.probe_cells == kProbeCellsUtf8Wide ||
                *facts.probe_cells == kProbeCellsUtf8Narrow;
    mode.wide = *facts.probe_cells == kProbeCellsUtf8Wide;
  } else {
    mode.utf8 = facts.locale_utf8 && !IsDecTerminal(facts.term);
    mode.wide = mode.utf8;
  }
  if (IsLinuxConsole(facts.term)) {
    mode.wide = false;
    mode.unicode_lines = false;
  }
  if (!mode.utf8) mode = kSingleByteMode;
  return mode;
}

std::string_view ForDisplay(std::string_view text, const DisplayMode& mode) {
  return mode.ShowsJapanese() ? text : text::AsciiFor(text);
}

}  // namespace ovik::tui

#include "hosts/terminal/curses_screen.h"

#include <limits.h>
#include <poll.h>
#include <stdio.h>
#include <unistd.h>
#include <wchar.h>

#include <curses.h>

#include "hosts/terminal/glyphs.h"
#include "present/text_cells.h"

namespace ovik::tui {
namespace {

// How long the rest of an escape sequence is waited for, as for Alt.
constexpr int kEscapeDelayMs = 25;

attr_t ToCurses(std::uint8_t attr) {
  attr_t out = A_NORMAL;
  if (attr & kBold) out |= A_BOLD;
  if (attr & kReverse) out |= A_REVERSE;
  if (attr & kUnderline) out |= A_UNDERLINE;
  if (attr & kDim) out |= A_DIM;
  return out;
}

const cchar_t* LineCharacter(LineGlyph line) {
  switch (line) {
    case LineGlyph::kHorizontal: return WACS_HLINE;
    case LineGlyph::kVertical: return WACS_VLINE;
    case LineGlyph::kUpperLeft: return WACS_ULCORNER;
    case LineGlyph::kUpperRight: return WACS_URCORNER;
    case LineGlyph::kLowerLeft: return WACS_LLCORNER;
    case LineGlyph::kLowerRight: return WACS_LRCORNER;
    case LineGlyph::kBlock: return WACS_BLOCK;
    case LineGlyph::kCheckerBoard: return WACS_CKBOARD;
    case LineGlyph::kBoard: return WACS_BOARD;
    case LineGlyph::kScanLine7: return WACS_S7;
    case LineGlyph::kScanLine9: return WACS_S9;
    case LineGlyph::kNone: break;
  }
  return nullptr;
}

// Whether curses, in the current locale, writes |c| so that it takes the
// cells the canvas gave it.
bool ShowsInLocale(char32_t c) {
  const auto wide = static_cast<wchar_t>(c);
  if (wcwidth(wide) != CellWidth(c)) return false;
  char bytes[MB_LEN_MAX];
  mbstate_t state{};
  const std::size_t n = wcrtomb(bytes, wide, &state);
  if (n == static_cast<std::size_t>(-1)) return false;
  // A byte from 0x80 to 0x9F is a control on most single-byte terminals.
  const auto first = static_cast<unsigned char>(bytes[0]);
  return !(n == 1 && first >= 0x80 && first < 0xA0);
}

void Draw(int y, int x, const Glyph& glyph, attr_t attr) {
  cchar_t cc;
  const cchar_t* line = LineCharacter(glyph.line);
  if (line != nullptr) {
    wchar_t text[CCHARW_MAX + 1] = {};
    attr_t line_attr = A_NORMAL;
    short pair = 0;
    getcchar(line, text, &line_attr, &pair, nullptr);
    setcchar(&cc, text, line_attr | attr, pair, nullptr);
  } else {
    const wchar_t text[2] = {static_cast<wchar_t>(glyph.ch), L'\0'};
    setcchar(&cc, text, attr, 0, nullptr);
  }
  // The bottom-right cell reports an error for the cursor that cannot
  // move on, but is drawn.
  mvwadd_wch(stdscr, y, x, &cc);
}

// Passes over the rest of a control sequence "ESC [ ... final" that
// curses did not know as a key: a late answer of the terminal's, never
// keys to act on.
void SkipControlSequence() {
  wtimeout(stdscr, kEscapeDelayMs);
  for (int i = 0; i < 32; ++i) {
    wint_t ch = 0;
    const int kind = wget_wch(stdscr, &ch);
    if (kind == ERR) return;
    if (kind == KEY_CODE_YES) {
      ungetch(static_cast<int>(ch));
      return;
    }
    if (ch >= 0x40 && ch <= 0x7E) return;  // the final character
    if (ch < 0x20 || ch > 0x3F) {
      unget_wch(static_cast<wchar_t>(ch));
      return;
    }
  }
}

Key FromKeyCode(int code) {
  Key key;
  switch (code) {
    case KEY_BTAB: key.code = KeyCode::kBackTab; break;
    case KEY_ENTER: key.code = KeyCode::kEnter; break;
    case KEY_UP: key.code = KeyCode::kUp; break;
    case KEY_DOWN: key.code = KeyCode::kDown; break;
    case KEY_LEFT: key.code = KeyCode::kLeft; break;
    case KEY_RIGHT: key.code = KeyCode::kRight; break;
    case KEY_HOME: key.code = KeyCode::kHome; break;
    case KEY_END: key.code = KeyCode::kEnd; break;
    case KEY_PPAGE: key.code = KeyCode::kPageUp; break;
    case KEY_NPAGE: key.code = KeyCode::kPageDown; break;
    case KEY_BACKSPACE: key.code = KeyCode::kBackspace; break;
    case KEY_DC: key.code = KeyCode::kDelete; break;
    case KEY_RESIZE: key.code = KeyCode::kResize; break;
    case KEY_MOUSE: {
      MEVENT event;
      if (getmouse(&event) == OK && (event.bstate & BUTTON1_PRESSED)) {
        key.code = KeyCode::kMouse;
        key.x = event.x;
        key.y = event.y;
      }
      break;
    }
    default:
      break;
  }
  return key;
}

Key FromChar(wint_t ch) {
  Key key;
  switch (ch) {
    case L'\t': key.code = KeyCode::kTab; break;
    case L'\n':
    case L'\r': key.code = KeyCode::kEnter; break;
    case 27: key.code = KeyCode::kEscape; break;
    case 127:
    case 8: key.code = KeyCode::kBackspace; break;
    case 3: key.code = KeyCode::kInterrupt; break;
    default:
      if (ch >= 0x20) {
        key.code = KeyCode::kChar;
        key.ch = static_cast<char32_t>(ch);
      }
      break;
  }
  return key;
}

}  // namespace

CursesScreen::~CursesScreen() { Stop(); }

bool CursesScreen::Start(const DisplayMode& mode, bool mouse) {
  if (screen_ != nullptr) return true;
  screen_ = newterm(nullptr, stdout, stdin);
  if (screen_ == nullptr) return false;
  mode_ = mode;
  set_term(screen_);
  cbreak();
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  set_escdelay(kEscapeDelayMs);
  curs_set(0);
  if (mouse) {
    mousemask(BUTTON1_PRESSED, nullptr);
    mouseinterval(0);
  }
  return true;
}

void CursesScreen::Stop() {
  if (screen_ == nullptr) return;
  curs_set(1);
  endwin();
  delscreen(screen_);
  screen_ = nullptr;
}

void CursesScreen::Size(int* cols, int* rows) const {
  *cols = COLS;
  *rows = LINES;
}

void CursesScreen::Show(const Canvas& canvas, CursorPos cursor) {
  for (int y = 0; y < canvas.height() && y < LINES; ++y) {
    bool head_replaced = false;
    for (int x = 0; x < canvas.width() && x < COLS; ++x) {
      const Cell& cell = canvas.at(x, y);
      const attr_t attr = ToCurses(cell.attr);
      if (cell.wide_tail) {
        // Drawn with its head, unless that became '?'.
        if (head_replaced) Draw(y, x, Glyph{}, attr);
        continue;
      }
      const Glyph glyph = GlyphFor(cell.ch, mode_, ShowsInLocale);
      head_replaced = glyph.ch != cell.ch;
      Draw(y, x, glyph, attr);
    }
  }
  if (cursor.x >= 0 && cursor.y >= 0) {
    curs_set(1);
    wmove(stdscr, cursor.y, cursor.x);
  } else {
    curs_set(0);
  }
  wrefresh(stdscr);
}

Key CursesScreen::Read(int timeout_ms) {
  wtimeout(stdscr, timeout_ms);
  wint_t ch = 0;
  const int kind = wget_wch(stdscr, &ch);
  if (kind == ERR) return Key{};
  if (kind == KEY_CODE_YES) return FromKeyCode(static_cast<int>(ch));
  Key key = FromChar(ch);
  if (key.code != KeyCode::kEscape) return key;
  // Esc at once followed by a character is that character with Alt.
  wtimeout(stdscr, 0);
  wint_t next = 0;
  const int next_kind = wget_wch(stdscr, &next);
  if (next_kind == OK && next == L'[') {
    SkipControlSequence();
    return Key{};
  }
  if (next_kind == OK) {
    Key alt = FromChar(next);
    if (alt.code == KeyCode::kChar) {
      alt.alt = true;
      return alt;
    }
    unget_wch(static_cast<wchar_t>(next));
  } else if (next_kind == KEY_CODE_YES) {
    ungetch(static_cast<int>(next));
  }
  return key;
}

bool CursesScreen::InputLost() const {
  pollfd fd{STDIN_FILENO, POLLIN, 0};
  if (poll(&fd, 1, 0) < 0) return false;
  return (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void CursesScreen::Beep() { beep(); }

}  // namespace ovik::tui

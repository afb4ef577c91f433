#include "ui/tui/curses_screen.h"

#include <poll.h>
#include <stdio.h>
#include <unistd.h>

#include <curses.h>

namespace ovik::tui {
namespace {

attr_t ToCurses(std::uint8_t attr) {
  attr_t out = A_NORMAL;
  if (attr & kBold) out |= A_BOLD;
  if (attr & kReverse) out |= A_REVERSE;
  if (attr & kUnderline) out |= A_UNDERLINE;
  if (attr & kDim) out |= A_DIM;
  return out;
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

bool CursesScreen::Start() {
  if (screen_ != nullptr) return true;
  screen_ = newterm(nullptr, stdout, stdin);
  if (screen_ == nullptr) return false;
  set_term(screen_);
  cbreak();
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  set_escdelay(25);
  curs_set(0);
  mousemask(BUTTON1_PRESSED, nullptr);
  mouseinterval(0);
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
    for (int x = 0; x < canvas.width() && x < COLS; ++x) {
      const Cell& cell = canvas.at(x, y);
      if (cell.wide_tail) continue;
      const wchar_t text[2] = {static_cast<wchar_t>(cell.ch), L'\0'};
      cchar_t cc;
      setcchar(&cc, text, ToCurses(cell.attr), 0, nullptr);
      // The bottom-right cell reports an error for the cursor that
      // cannot move on, but is drawn.
      mvwadd_wch(stdscr, y, x, &cc);
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

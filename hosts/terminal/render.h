// Drawing the terminal dialog's boxes into a canvas. Everything here is
// plain code over the control models; the screen only copies the canvas.
#ifndef OVIK_HOSTS_TERMINAL_RENDER_H_
#define OVIK_HOSTS_TERMINAL_RENDER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/terminal/canvas.h"
#include "hosts/terminal/display_mode.h"
#include "hosts/terminal/layout.h"
#include "hosts/terminal/line_edit.h"
#include "dialog/memory_dialog_port.h"

namespace ovik::tui {

// What the terminal adds to the ranking's rows.
struct RankingRows {
  std::vector<std::uint64_t> bytes;  // of the rows shown, from the first
  std::uint64_t largest = 0;  // the bars' full length: the ranking's first
  int marked = -1;            // the row with the mark, -1 for none
  bool blocks = true;         // bars of block characters, else of '#'
  // Each row's change since the saved scan ("+12GB"), drawn before its
  // bar; empty when there is no saved scan to compare with.
  std::vector<std::string> changes;
};

struct MainView {
  const MemoryDialogPort* port = nullptr;
  int focus = 0;          // id of the focused control
  bool busy = false;      // a scan runs: every control looks disabled
  std::string status;     // the terminal's three lines under the dialog
  std::string detail;
  std::string hint;
  RankingRows ranking;
};

void RenderMainDialog(const DialogLayout& layout, const MainView& view,
                      Canvas* canvas);

// "In: <directory>", cut at the left to |width| cells.
std::string CurrentDirectoryLine(const std::string& directory, int width);

// The drive list opened under its control, |highlight| marked.
void RenderDropList(const DialogLayout& layout, const MemoryDialogPort& port,
                    int highlight, Canvas* canvas);

// Shown instead of the dialog when the screen is smaller than it.
void RenderTooSmall(int cols, int rows, Canvas* canvas);

// Blanks |rect| and frames it with |caption| centred in its top edge, as
// dialog windows have it.
void CaptionFrame(const Rect& rect, std::string_view caption, Canvas* canvas);

// "[  OK  ]": the label centred, its mnemonic underlined.
void DrawButton(const Rect& rect, std::string_view label, bool enabled,
                bool focused, bool is_default, Canvas* canvas);

void RenderMessageBox(const MessageBoxLayout& layout, std::string_view caption,
                      std::string_view message, Canvas* canvas);

enum class SaveAsFocus { kField, kOk, kCancel };

// Drawn with the texts a terminal of |mode| shows. Returns the screen cell
// of the field's cursor.
CursorPos RenderSaveAs(const SaveAsLayout& layout, std::string_view title,
                       const LineEdit& field, SaveAsFocus focus,
                       const DisplayMode& mode, Canvas* canvas);

// Drawn with the texts a terminal of |mode| shows.
void RenderAboutDialog(const DialogLayout& layout, const MemoryDialogPort& port,
                       const DisplayMode& mode, Canvas* canvas);

// The icon, drawn in text: three rows of seven cells.
inline constexpr std::string_view kIconRows[] = {"┌─────┐", "│█▆▄▂▁│",
                                                 "└─────┘"};

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_RENDER_H_

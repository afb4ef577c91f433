// Where the terminal dialog puts its controls. The positions come from
// the dialog templates (ui/dialog_template.h) and are mapped onto character
// cells: columns scale linearly, rows follow a table of the templates'
// row positions so that neighbouring frames keep a row between them.
// The main dialog takes 80 x 24 cells and is centred in larger screens.
#ifndef OVIK_HOSTS_TERMINAL_LAYOUT_H_
#define OVIK_HOSTS_TERMINAL_LAYOUT_H_

#include <vector>

#include "dialog/dialog_template.h"
#include "hosts/terminal/canvas.h"

namespace ovik::tui {

// Size of the main dialog's frame in cells, with its status lines.
inline constexpr int kMainCols = 80;
inline constexpr int kMainRows = 24;

// Whether a screen of this size can show the main dialog.
bool FitsScreen(int cols, int rows);

// Column of a horizontal dialog-unit position inside the frame.
int DluToCol(int x);
// Row of a vertical position of the main dialog inside the frame.
int MainDluToRow(int y);
// Row of a vertical position of the About box inside its frame.
int AboutDluToRow(int y);

struct PlacedControl {
  const ControlSpec* spec;
  Rect cells;  // on the screen
};

struct DialogLayout {
  Rect frame;  // on the screen, borders included
  std::vector<PlacedControl> controls;
  // Screen rows of the terminal's own lines inside the main frame.
  int status_row = 0;
  int detail_row = 0;
  int hint_row = 0;

  // The control with |id| (the first, for -1), or nullptr.
  const PlacedControl* Find(int id) const;
  // The id of the control that takes clicks at (x, y): buttons, the drive
  // list and the scroll bar; 0 when none.
  int HitTest(int x, int y) const;
};

DialogLayout LayoutMainDialog(int cols, int rows);

// The cells of ranking row |row| (0 to 4) that show it and take its
// clicks: from the owner's name to one cell short of the ranking's frame.
Rect RankingRowRect(const DialogLayout& layout, int row);
// The ranking row at (x, y); -1 when none is there.
int HitRankingRow(const DialogLayout& layout, int x, int y);
DialogLayout LayoutAboutDialog(int cols, int rows);

// The drop-down list opened under the drive list: its frame holds up to
// |count| entries, no more than the screen below allows.
Rect DropListRect(const DialogLayout& layout, int count, int screen_rows);

// The three parts of the page scroll bar.
enum class ScrollPart { kNone, kLeftArrow, kTrack, kRightArrow };
ScrollPart HitScrollBar(const Rect& bar, int x, int y);

// Message box: the frame, the message's first row and the OK button.
struct MessageBoxLayout {
  Rect frame;
  int message_row = 0;
  Rect ok;
};
MessageBoxLayout LayoutMessageBox(int cols, int rows, int message_width);

// Save As box: the frame, the file-name field and the two buttons.
struct SaveAsLayout {
  Rect frame;
  int label_row = 0;
  Rect field;
  Rect ok;
  Rect cancel;
};
SaveAsLayout LayoutSaveAs(int cols, int rows);

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_LAYOUT_H_

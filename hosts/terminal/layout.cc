#include "hosts/terminal/layout.h"

#include <algorithm>
#include <iterator>

#include "dialog/control_ids.h"
#include "dialog/ranking_pages.h"

namespace ovik::tui {
namespace {

using K = ControlKind;

constexpr int kInnerCols = kMainCols - 2;
constexpr int kAboutRows = 11;

struct Stop {
  int dlu;
  int row;
};

// Rows of the main dialog's distinct vertical positions. Between two
// stops rows are interpolated. The dialog's bottom edge (208) lands on
// the first of the terminal's three status lines.
constexpr Stop kMainStops[] = {
    {0, 1},     {15, 2},    {30, 3},    {40, 4},    {55, 5},   {64, 6},
    {77, 7},    {80, 8},    {90, 9},    {100, 10},  {110, 11}, {115, 12},
    {130, 13},  {178, 17},  {189, 18},  {203, 19},  {208, 20},
};

int RoundDiv(int num, int den) { return (num + den / 2) / den; }

int Interpolate(int y) {
  const Stop* begin = std::begin(kMainStops);
  const Stop* end = std::end(kMainStops);
  if (y <= begin->dlu) return begin->row;
  for (const Stop* s = begin + 1; s != end; ++s) {
    if (y <= s->dlu) {
      const Stop& a = *(s - 1);
      return a.row + RoundDiv((y - a.dlu) * (s->row - a.row), s->dlu - a.dlu);
    }
  }
  return (end - 1)->row;
}

int LineCount(std::string_view text) {
  return 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

Rect PlaceControl(const ControlSpec& spec, int (*to_row)(int), int ox,
                  int oy) {
  const int left = DluToCol(spec.x);
  const int right = DluToCol(spec.x + spec.w);
  Rect r;
  r.x = ox + left;
  r.w = right - left;
  switch (spec.kind) {
    case K::kButton:
    case K::kDefaultButton:
      // A button is one row, on the row of its middle.
      r.y = oy + to_row(spec.y + spec.h / 2);
      r.h = 1;
      break;
    case K::kGroupBox:
    case K::kIcon:
      r.y = oy + to_row(spec.y);
      r.h = to_row(spec.y + spec.h) - to_row(spec.y) + 1;
      r.w += 1;  // the right edge is drawn on its own column
      break;
    case K::kDropDown:
    case K::kScrollBar:
      r.y = oy + to_row(spec.y);
      r.h = 1;
      break;
    case K::kLabel:
    case K::kRightLabel:
      r.y = oy + to_row(spec.y);
      r.h = LineCount(spec.text);
      break;
  }
  return r;
}

}  // namespace

bool FitsScreen(int cols, int rows) {
  return cols >= kMainCols && rows >= kMainRows;
}

int DluToCol(int x) {
  return 1 + RoundDiv(x * kInnerCols, MainDialogTemplate().width);
}

int MainDluToRow(int y) { return Interpolate(y); }

int AboutDluToRow(int y) {
  return 1 + RoundDiv(y * (kAboutRows - 2), AboutDialogTemplate().height);
}

const PlacedControl* DialogLayout::Find(int id) const {
  for (const PlacedControl& c : controls) {
    if (c.spec->id == id) return &c;
  }
  return nullptr;
}

int DialogLayout::HitTest(int x, int y) const {
  for (const PlacedControl& c : controls) {
    switch (c.spec->kind) {
      case K::kButton:
      case K::kDefaultButton:
      case K::kDropDown:
      case K::kScrollBar:
        if (c.cells.Contains(x, y)) return c.spec->id;
        break;
      default:
        break;
    }
  }
  return 0;
}

DialogLayout LayoutMainDialog(int cols, int rows) {
  DialogLayout layout;
  const int ox = std::max(0, (cols - kMainCols) / 2);
  const int oy = std::max(0, (rows - kMainRows) / 2);
  layout.frame = Rect{ox, oy, kMainCols, kMainRows};
  for (const ControlSpec& spec : MainDialogTemplate().controls) {
    layout.controls.push_back({&spec, PlaceControl(spec, &MainDluToRow, ox, oy)});
  }
  layout.status_row = oy + MainDluToRow(MainDialogTemplate().height);
  layout.detail_row = layout.status_row + 1;
  layout.hint_row = layout.status_row + 2;
  return layout;
}

Rect RankingRowRect(const DialogLayout& layout, int row) {
  const PlacedControl* name = layout.Find(IDC_NAME_ROW1 + row);
  const PlacedControl* frame = layout.Find(IDC_RANKING_GROUP);
  if (name == nullptr || frame == nullptr) return {};
  return Rect{name->cells.x, name->cells.y,
              frame->cells.right() - 2 - name->cells.x, 1};
}

int HitRankingRow(const DialogLayout& layout, int x, int y) {
  for (int row = 0; row < kRowsPerPage; ++row) {
    if (RankingRowRect(layout, row).Contains(x, y)) return row;
  }
  return -1;
}

DialogLayout LayoutAboutDialog(int cols, int rows) {
  DialogLayout layout;
  const int ox = std::max(0, (cols - kMainCols) / 2);
  const int oy = std::max(0, (rows - kAboutRows) / 2);
  layout.frame = Rect{ox, oy, kMainCols, kAboutRows};
  for (const ControlSpec& spec : AboutDialogTemplate().controls) {
    layout.controls.push_back(
        {&spec, PlaceControl(spec, &AboutDluToRow, ox, oy)});
  }
  return layout;
}

Rect DropListRect(const DialogLayout& layout, int count, int screen_rows) {
  const PlacedControl* list = layout.Find(IDC_DRIVE_LIST);
  if (list == nullptr || count <= 0) return {};
  constexpr int kMaxShown = 8;
  const int top = list->cells.bottom();
  const int room = screen_rows - top - 2;
  const int shown = std::max(1, std::min({count, kMaxShown, room}));
  return Rect{list->cells.x, top, list->cells.w, shown + 2};
}

ScrollPart HitScrollBar(const Rect& bar, int x, int y) {
  if (!bar.Contains(x, y)) return ScrollPart::kNone;
  if (x == bar.x) return ScrollPart::kLeftArrow;
  if (x == bar.right() - 1) return ScrollPart::kRightArrow;
  return ScrollPart::kTrack;
}

MessageBoxLayout LayoutMessageBox(int cols, int rows, int message_width) {
  MessageBoxLayout box;
  const int w = std::min(std::max(message_width + 6, 24), std::max(cols, 8));
  const int h = 6;
  box.frame = Rect{std::max(0, (cols - w) / 2), std::max(0, (rows - h) / 2),
                   w, h};
  box.message_row = box.frame.y + 2;
  constexpr int kButtonWidth = 8;
  box.ok = Rect{box.frame.x + (w - kButtonWidth) / 2, box.frame.y + 4,
                kButtonWidth, 1};
  return box;
}

SaveAsLayout LayoutSaveAs(int cols, int rows) {
  SaveAsLayout box;
  const int w = std::min(60, std::max(cols, 30));
  const int h = 7;
  box.frame = Rect{std::max(0, (cols - w) / 2), std::max(0, (rows - h) / 2),
                   w, h};
  box.label_row = box.frame.y + 2;
  box.field = Rect{box.frame.x + 2, box.frame.y + 3, w - 4, 1};
  constexpr int kOkWidth = 8;
  constexpr int kCancelWidth = 14;
  box.cancel = Rect{box.frame.right() - 2 - kCancelWidth, box.frame.y + 5,
                    kCancelWidth, 1};
  box.ok = Rect{box.cancel.x - 2 - kOkWidth, box.frame.y + 5, kOkWidth, 1};
  return box;
}

}  // namespace ovik::tui

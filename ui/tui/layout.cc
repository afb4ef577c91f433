#include "ui/tui/layout.h"

#include <algorithm>
#include <iterator>

#include "ui/control_ids.h"
#include "ui/texts.h"

namespace ovik::tui {
namespace {

using K = ControlKind;

// The main dialog's template: 205 x 208 dialog units.
constexpr ControlSpec kMainTemplate[] = {
    {IDC_OK, K::kDefaultButton, 145, 15, 50, 14, text::kOk},
    {IDC_DRIVE_LIST, K::kDropDown, 75, 15, 60, 45, {}},
    {-1, K::kLabel, 10, 15, 55, 7, text::kDriveLetter},
    {-1, K::kLabel, 10, 40, 45, 7, text::kDriveTypeLabel},
    {IDC_DRIVE_TYPE, K::kLabel, 70, 40, 50, 7, text::kDriveTypeInitial},
    {-1, K::kLabel, 10, 55, 50, 17, text::kVolumeLabels},
    {IDC_VOLUME_LABEL, K::kLabel, 70, 55, 55, 17, text::kVolumeInitial},
    {-1, K::kLabel, 10, 90, 60, 7, text::kFreeSpaceLabel},
    {IDC_FREE_SPACE, K::kRightLabel, 75, 90, 55, 7, text::kSpaceInitial},
    {-1, K::kLabel, 10, 100, 65, 7, text::kTotalSpaceLabel},
    {IDC_TOTAL_SPACE, K::kRightLabel, 80, 100, 50, 7, text::kSpaceInitial},
    {IDC_FIND, K::kButton, 145, 35, 49, 16, text::kFind},
    {IDC_FREE_AREA_GROUP, K::kGroupBox, 5, 80, 130, 30, text::kFreeAreaGroup},
    {-1, K::kGroupBox, 5, 30, 130, 47, text::kDriveInfoGroup},
    {IDC_RANKING_GROUP, K::kGroupBox, 5, 115, 190, 88,
     text::kRankingGroupInitial},
    {IDC_NAME_ROW1, K::kLabel, 10, 130, 65, 9, text::kNameRowsInitial[0]},
    {IDC_NAME_ROW2, K::kLabel, 10, 142, 65, 9, text::kNameRowsInitial[1]},
    {IDC_NAME_ROW3, K::kLabel, 10, 154, 65, 9, text::kNameRowsInitial[2]},
    {IDC_NAME_ROW4, K::kLabel, 10, 166, 65, 9, text::kNameRowsInitial[3]},
    {IDC_NAME_ROW5, K::kLabel, 10, 178, 65, 9, text::kNameRowsInitial[4]},
    {IDC_USAGE_ROW1, K::kLabel, 85, 130, 100, 9, text::kUsageRowsInitial[0]},
    {IDC_USAGE_ROW2, K::kLabel, 85, 142, 100, 9, text::kUsageRowsInitial[1]},
    {IDC_USAGE_ROW3, K::kLabel, 85, 154, 100, 9, text::kUsageRowsInitial[2]},
    {IDC_USAGE_ROW4, K::kLabel, 85, 166, 100, 9, text::kUsageRowsInitial[3]},
    {IDC_USAGE_ROW5, K::kLabel, 85, 178, 100, 9, text::kUsageRowsInitial[4]},
    {IDC_PAGE_SCROLL, K::kScrollBar, 85, 189, 20, 10, {}},
    {-1, K::kLabel, 10, 189, 65, 8, text::kNextPrevPage},
    {IDC_REPORT_OUT, K::kButton, 145, 55, 49, 16, text::kReportOut},
    {IDC_ABOUT, K::kButton, 145, 75, 49, 16, text::kAbout},
};

// The About box's template: 205 x 83 dialog units.
constexpr ControlSpec kAboutTemplate[] = {
    {IDC_OK, K::kDefaultButton, 85, 65, 40, 14, text::kOk},
    {IDC_ABOUT_ICON, K::kIcon, 5, 5, 18, 20, {}},
    {-1, K::kLabel, 35, 10, 80, 7, text::kAboutVersion},
    {IDC_ABOUT_USER, K::kLabel, 35, 40, 125, 7, text::kAboutUser},
    {IDC_ABOUT_COMPANY, K::kLabel, 35, 50, 130, 7, text::kAboutCompany},
};

constexpr int kDialogWidthDlu = 205;
constexpr int kInnerCols = kMainCols - 2;
constexpr int kAboutRows = 11;
constexpr int kAboutHeightDlu = 83;

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

std::span<const ControlSpec> MainDialogTemplate() { return kMainTemplate; }
std::span<const ControlSpec> AboutDialogTemplate() { return kAboutTemplate; }

bool FitsScreen(int cols, int rows) {
  return cols >= kMainCols && rows >= kMainRows;
}

int DluToCol(int x) { return 1 + RoundDiv(x * kInnerCols, kDialogWidthDlu); }

int MainDluToRow(int y) { return Interpolate(y); }

int AboutDluToRow(int y) {
  return 1 + RoundDiv(y * (kAboutRows - 2), kAboutHeightDlu);
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
  for (const ControlSpec& spec : kMainTemplate) {
    layout.controls.push_back({&spec, PlaceControl(spec, &MainDluToRow, ox, oy)});
  }
  layout.status_row = oy + MainDluToRow(208);
  layout.detail_row = layout.status_row + 1;
  layout.hint_row = layout.status_row + 2;
  return layout;
}

DialogLayout LayoutAboutDialog(int cols, int rows) {
  DialogLayout layout;
  const int ox = std::max(0, (cols - kMainCols) / 2);
  const int oy = std::max(0, (rows - kAboutRows) / 2);
  layout.frame = Rect{ox, oy, kMainCols, kAboutRows};
  for (const ControlSpec& spec : kAboutTemplate) {
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

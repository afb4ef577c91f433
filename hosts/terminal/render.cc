#include "hosts/terminal/render.h"

#include <algorithm>
#include <vector>

#include "dialog/control_ids.h"
#include "dialog/texts.h"
#include "present/fill.h"
#include "present/utf8.h"
#include "dialog/ranking_pages.h"
#include "hosts/terminal/bar.h"
#include "present/text_cells.h"

namespace ovik::tui {
namespace {

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (true) {
    const std::size_t nl = text.find('\n', start);
    if (nl == std::string_view::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
}

void DrawLabel(const Rect& rect, std::string_view text, bool right_aligned,
               std::uint8_t attr, Canvas* canvas) {
  const std::vector<std::string_view> lines = SplitLines(text);
  for (int row = 0; row < rect.h && row < static_cast<int>(lines.size());
       ++row) {
    const std::string line =
        FitToWidth(lines[static_cast<std::size_t>(row)], rect.w);
    const int width = DisplayWidth(line);
    const int x = right_aligned ? rect.right() - width : rect.x;
    canvas->Put(x, rect.y + row, line, attr, rect.w);
  }
}

void DrawDropDown(const Rect& rect, const MemoryDialogPort& port, bool enabled,
                  bool focused, Canvas* canvas) {
  const std::uint8_t attr = enabled ? kPlain : kDim;
  const int text_width = rect.w - 5;
  if (text_width <= 0) return;
  const std::string text =
      ElideLeft(port.DriveText(port.SelectedDrive()), text_width);
  canvas->Put(rect.x, rect.y, "[", attr);
  canvas->Put(rect.x + 1, rect.y, PadToWidth(text, text_width),
              attr | (focused ? kReverse : kPlain));
  canvas->Put(rect.x + 1 + text_width, rect.y, "][v]", attr);
}

void DrawScrollBar(const Rect& rect, const MemoryDialogPort& port, bool enabled,
                   Canvas* canvas) {
  if (rect.w < 3) return;
  const std::uint8_t attr = enabled ? kPlain : kDim;
  const int track = rect.w - 2;
  canvas->Put(rect.x, rect.y, "<", attr);
  for (int i = 0; i < track; ++i) canvas->PutChar(rect.x + 1 + i, rect.y, U'─', attr);
  canvas->Put(rect.right() - 1, rect.y, ">", attr);
  if (!enabled) return;
  const auto [min, max] = port.scroll_range();
  const int span = max - min;
  const int thumb =
      span <= 0 ? 0 : (port.scroll_pos() - min) * (track - 1) / span;
  canvas->PutChar(rect.x + 1 + thumb, rect.y, U'█', attr);
}

// The bars of the rows shown, in the row's free cells right of the usage
// texts, all starting in one column; and the mark.
void DrawRankingRows(const DialogLayout& layout, const MainView& view,
                     Canvas* canvas) {
  const RankingRows& rows = view.ranking;
  const int count =
      std::min(static_cast<int>(rows.bytes.size()), kRowsPerPage);
  // Past "1023MB  100.0000%", the widest usage text, or any wider one.
  constexpr int kWidestUsage = 17;
  const Rect usage = layout.Find(IDC_USAGE_ROW1)->cells;
  int text_end = usage.x + kWidestUsage;
  for (int r = 0; r < count; ++r) {
    text_end = std::max(text_end, usage.x + DisplayWidth(view.port->Text(
                                                IDC_USAGE_ROW1 + r)));
  }
  // The change column, right-aligned, takes its cells from the bars.
  constexpr int kChangeWidth = 7;
  const bool changes = !rows.changes.empty();
  const int bar_x = text_end + 2 + (changes ? kChangeWidth + 1 : 0);
  for (int r = 0; r < count; ++r) {
    const Rect row = RankingRowRect(layout, r);
    if (changes && static_cast<std::size_t>(r) < rows.changes.size()) {
      const std::string change =
          FitToWidth(rows.changes[static_cast<std::size_t>(r)], kChangeWidth);
      canvas->Put(text_end + 2 + kChangeWidth - DisplayWidth(change), row.y,
                  change, kPlain, kChangeWidth);
    }
    canvas->Put(bar_x, row.y,
                BarText(rows.bytes[static_cast<std::size_t>(r)], rows.largest,
                        row.right() - bar_x, rows.blocks),
                kPlain, row.right() - bar_x);
  }
  if (rows.marked >= 0 && rows.marked < count && !view.busy) {
    const Rect row = RankingRowRect(layout, rows.marked);
    const int end = std::min(bar_x - 1, row.right());
    canvas->AddAttr(Rect{row.x, row.y, end - row.x, 1}, kReverse);
  }
}

}  // namespace

void CaptionFrame(const Rect& rect, std::string_view caption,
                  Canvas* canvas) {
  canvas->Fill(rect, U' ');
  canvas->Frame(rect);
  std::string title(1, ' ');
  title += FitToWidth(caption, rect.w - 6);
  title += ' ';
  const int width = DisplayWidth(title);
  canvas->Put(rect.x + (rect.w - width) / 2, rect.y, title, kBold);
}

void RenderDropList(const DialogLayout& layout, const MemoryDialogPort& port,
                    int highlight, Canvas* canvas) {
  const Rect box = DropListRect(layout, port.DriveCount(), canvas->height());
  if (box.h < 3) return;
  canvas->Fill(box, U' ');
  canvas->Frame(box);
  const int shown = box.h - 2;
  const int first = std::clamp(highlight - shown + 1, 0,
                               std::max(0, port.DriveCount() - shown));
  for (int i = 0; i < shown && first + i < port.DriveCount(); ++i) {
    const int index = first + i;
    const std::string text = PadToWidth(
        ElideLeft(port.DriveText(index), box.w - 2), box.w - 2);
    canvas->Put(box.x + 1, box.y + 1 + i, text,
                index == highlight ? kReverse : kPlain);
  }
}

void DrawButton(const Rect& rect, std::string_view label, bool enabled,
                bool focused, bool is_default, Canvas* canvas) {
  if (rect.w < 2) return;
  const Mnemonic m = ParseMnemonic(label);
  std::uint8_t attr = enabled ? kPlain : kDim;
  if (focused && enabled) attr |= kReverse;
  if (is_default && enabled) attr |= kBold;
  const std::string shown = FitToWidth(m.label, rect.w - 2);
  const int width = DisplayWidth(shown);
  const int left = rect.x + 1 + (rect.w - 2 - width) / 2;
  canvas->Fill(rect, U' ', attr);
  canvas->Put(rect.x, rect.y, "[", attr);
  canvas->Put(rect.right() - 1, rect.y, "]", attr);
  canvas->Put(left, rect.y, shown, attr);
  if (enabled && m.cell >= 0 && m.cell < width) {
    canvas->AddAttr(Rect{left + m.cell, rect.y, 1, 1}, kUnderline);
  }
}

void RenderMainDialog(const DialogLayout& layout, const MainView& view,
                      Canvas* canvas) {
  const MemoryDialogPort& port = *view.port;
  CaptionFrame(layout.frame, text::kMainCaption, canvas);
  // Frames first, so nothing inside them is overdrawn.
  for (const PlacedControl& c : layout.controls) {
    if (c.spec->kind != ControlKind::kGroupBox) continue;
    const std::string title =
        c.spec->id > 0 ? port.Text(c.spec->id) : std::string(c.spec->text);
    canvas->Frame(c.cells, title);
  }
  for (const PlacedControl& c : layout.controls) {
    const int id = c.spec->id;
    const bool enabled = !view.busy && (id < 0 || port.Enabled(id));
    const bool focused = id == view.focus;
    const std::string text =
        id > 0 ? port.Text(id) : std::string(c.spec->text);
    switch (c.spec->kind) {
      case ControlKind::kButton:
      case ControlKind::kDefaultButton:
        DrawButton(c.cells, text, enabled, focused,
                   c.spec->kind == ControlKind::kDefaultButton, canvas);
        break;
      case ControlKind::kDropDown:
        DrawDropDown(c.cells, port, enabled, focused, canvas);
        break;
      case ControlKind::kScrollBar:
        DrawScrollBar(c.cells, port, enabled, canvas);
        break;
      case ControlKind::kLabel:
      case ControlKind::kRightLabel:
        DrawLabel(c.cells, text, c.spec->kind == ControlKind::kRightLabel,
                  kPlain, canvas);
        break;
      case ControlKind::kGroupBox:
      case ControlKind::kIcon:
        break;
    }
  }
  DrawRankingRows(layout, view, canvas);
  const int x = layout.frame.x + 2;
  const int width = layout.frame.w - 4;
  canvas->Put(x, layout.status_row, view.status, kPlain, width);
  canvas->Put(x, layout.detail_row, view.detail, kPlain, width);
  canvas->Put(x, layout.hint_row, view.hint, kDim, width);
}

std::string CurrentDirectoryLine(const std::string& directory, int width) {
  const std::string label(text::kCurrentDirectory);
  return label + ElideLeft(directory, width - DisplayWidth(label));
}

void RenderTooSmall(int cols, int rows, Canvas* canvas) {
  const std::string first =
      Fill(text::kTooSmall, {kMainCols, kMainRows, cols, rows});
  // Broken into lines as wide as the screen allows.
  std::vector<std::string> lines;
  for (std::string_view part : {std::string_view(first), text::kTooSmallHelp}) {
    std::u32string rest = DecodeUtf8(part);
    while (!rest.empty() && cols > 0) {
      const std::string line = FitToWidth(EncodeUtf8(rest), cols);
      const std::size_t used = DecodeUtf8(line).size();
      if (used == 0) break;
      lines.push_back(line);
      rest.erase(0, used);
    }
  }
  const int top = std::max(0, (rows - static_cast<int>(lines.size())) / 2);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    canvas->Put(0, top + static_cast<int>(i), lines[i], kBold);
  }
}

void RenderMessageBox(const MessageBoxLayout& layout, std::string_view caption,
                      std::string_view message, Canvas* canvas) {
  CaptionFrame(layout.frame, caption, canvas);
  const std::string line = FitToWidth(message, layout.frame.w - 4);
  const int width = DisplayWidth(line);
  canvas->Put(layout.frame.x + (layout.frame.w - width) / 2,
              layout.message_row, line);
  DrawButton(layout.ok, text::kOk, true, true, true, canvas);
}

CursorPos RenderSaveAs(const SaveAsLayout& layout, std::string_view title,
                       const LineEdit& field, SaveAsFocus focus,
                       const DisplayMode& mode, Canvas* canvas) {
  CaptionFrame(layout.frame, ForDisplay(title, mode), canvas);
  canvas->Put(layout.field.x, layout.label_row,
              ForDisplay(text::kSaveAsFileName, mode));
  const LineEdit::View view = field.Visible(layout.field.w);
  canvas->Fill(layout.field, U' ', kUnderline);
  canvas->Put(layout.field.x, layout.field.y, view.text, kUnderline,
              layout.field.w);
  DrawButton(layout.ok, text::kOk, true, focus == SaveAsFocus::kOk, true,
             canvas);
  DrawButton(layout.cancel, ForDisplay(text::kCancel, mode), true,
             focus == SaveAsFocus::kCancel, false, canvas);
  if (focus != SaveAsFocus::kField) return {};
  return CursorPos{layout.field.x + view.cursor_cell, layout.field.y};
}

void RenderAboutDialog(const DialogLayout& layout, const MemoryDialogPort& port,
                       const DisplayMode& mode, Canvas* canvas) {
  CaptionFrame(layout.frame, ForDisplay(text::kAboutCaption, mode), canvas);
  for (const PlacedControl& c : layout.controls) {
    const int id = c.spec->id;
    const std::string text =
        id > 0 ? port.Text(id) : std::string(c.spec->text);
    switch (c.spec->kind) {
      case ControlKind::kIcon:
        for (int row = 0; row < c.cells.h && row < 3; ++row) {
          canvas->Put(c.cells.x, c.cells.y + row,
                      kIconRows[static_cast<std::size_t>(row)], kBold,
                      c.cells.w);
        }
        break;
      case ControlKind::kButton:
      case ControlKind::kDefaultButton:
        DrawButton(c.cells, text, true, true, true, canvas);
        break;
      default:
        DrawLabel(c.cells, ForDisplay(text, mode), false, kPlain, canvas);
        break;
    }
  }
}

}  // namespace ovik::tui

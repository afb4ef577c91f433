#include "hosts/terminal/directory_box.h"

#include <algorithm>
#include <utility>

#include "present/display_name.h"
#include "present/fill.h"
#include "present/usage_text.h"
#include "dialog/scan_status_text.h"
#include "dialog/texts.h"
#include "hosts/terminal/bar.h"
#include "hosts/terminal/render.h"
#include "present/text_cells.h"

namespace ovik::tui {
namespace {

// The box over the whole screen: the directory listed and its share on
// the two rows under the caption, a rule, the list, a row for notes and
// the key line.
struct BoxLayout {
  Rect frame;
  int path_row = 0;
  int summary_row = 0;
  int rule_row = 0;
  Rect list;
  int note_row = 0;
  int hint_row = 0;
};

BoxLayout LayoutBox(int cols, int rows) {
  BoxLayout box;
  box.frame = Rect{0, 0, cols, rows};
  box.path_row = 1;
  box.summary_row = 2;
  box.rule_row = 3;
  box.list = Rect{2, 4, cols - 4, std::max(rows - 7, 1)};
  box.note_row = rows - 3;
  box.hint_row = rows - 2;
  return box;
}

// The first row in view of |shown| rows that keeps |marked| in view,
// moving the list as little as it can from |top|.
int FirstInView(int top, int marked, int count, int shown) {
  top = std::clamp(top, marked - shown + 1, marked);
  return std::clamp(top, 0, std::max(count - shown, 0));
}

std::string PadLeft(const std::string& text, int width) {
  const int pad = width - DisplayWidth(text);
  return pad > 0 ? std::string(static_cast<std::size_t>(pad), ' ') + text
                 : text;
}

std::string Share(std::uint64_t part, std::uint64_t whole) {
  return FormatShareFourDecimals(part, whole) + "%";
}

// |below| (names under the root, '/'-separated) after |root|.
std::string Under(const std::string& root, const std::string& below) {
  if (below.empty()) return root;
  if (!root.empty() && root.back() == '/') return root + below;
  return root + "/" + below;
}

}  // namespace

DirectoryBox::DirectoryBox(const DirectoryUsage& usage, RankedBy by,
                           const RankedOwner& owner, std::string root,
                           const DisplayMode& mode)
    : usage_(usage),
      browser_(usage, by, owner.index),
      caption_(Fill(by == RankedBy::kGroup ? text::kWhereCaptionGroup
                                           : text::kWhereCaption,
                    {SanitizeName(owner.name)})),
      root_(SanitizeName(root)),
      blocks_(mode.unicode_lines) {}

std::string DirectoryBox::Heading() const {
  return Fill(text::kWhereHeading,
              {GroupThousands(browser_.ListedBytes() / 1024),
               GroupThousands(browser_.total() / 1024),
               Share(browser_.ListedBytes(), browser_.total())});
}

void DirectoryBox::DrawRow(const DirectoryBrowser::Row& row, int x, int y,
                           int width, Canvas* canvas) const {
  std::string figures = PadLeft(FormatSize(row.bytes / 1024), 6);
  figures += "  ";
  figures += PadLeft(Share(row.bytes, browser_.total()), 9);
  figures += "  ";
  const int bar_x = x + canvas->Put(x, y, figures, kPlain, width);
  const int bar_width = std::clamp(width / 5, 10, 30);
  const std::uint64_t largest = browser_.rows().front().bytes;
  canvas->Put(bar_x, y, BarText(row.bytes, largest, bar_width, blocks_),
              kPlain, std::max(x + width - bar_x, 0));
  const int name_x = bar_x + bar_width + 2;
  const int name_width = x + width - name_x;
  if (name_width <= 0) return;
  // A path says most at its end; a text at its start.
  std::string name;
  if (row.directory != kNoDirectoryIndex) {
    name = ElideLeft(row.name, name_width);
  } else {
    name = FitToWidth(browser_.ListedHoldsFolded() ? text::kFilesHereAndFolded
                                                   : text::kFilesHere,
                      name_width);
  }
  canvas->Put(name_x, y, name, kPlain, name_width);
}

CursorPos DirectoryBox::Render(Canvas* canvas) const {
  const BoxLayout box = LayoutBox(canvas->width(), canvas->height());
  const int x = box.list.x;
  const int width = box.list.w;
  CaptionFrame(box.frame, caption_, canvas);
  canvas->Put(x, box.path_row,
              CurrentDirectoryLine(Under(root_, browser_.ListedPath()), width),
              kPlain, width);
  canvas->Put(x, box.summary_row, Heading(), kPlain, width);
  for (int i = 0; i < width; ++i) canvas->PutChar(x + i, box.rule_row, U'─');

  const auto& rows = browser_.rows();
  const int count = static_cast<int>(rows.size());
  const int shown = box.list.h;
  const int top = FirstInView(browser_.top(), browser_.marked(), count, shown);
  if (count > shown) {
    // Which rows are in view, at the rule's right end.
    const std::string place =
        Fill(text::kRowsOf, {top + 1, std::min(top + shown, count), count});
    canvas->Put(x + width - DisplayWidth(place) - 1, box.rule_row, place);
  }
  if (rows.empty()) {
    canvas->Put(x, box.list.y, text::kNothingHere, kPlain, width);
  }
  for (int i = 0; i < shown && top + i < count; ++i) {
    const int y = box.list.y + i;
    DrawRow(rows[static_cast<std::size_t>(top + i)], x, y, width, canvas);
    if (top + i == browser_.marked()) {
      canvas->AddAttr(Rect{x, y, width, 1}, kReverse);
    }
  }
  if (const std::uint64_t folded = usage_.folded_directories(); folded > 0) {
    canvas->Put(x, box.note_row,
                Fill(text::kFoldedNote, {GroupThousands(folded)}),
                kPlain, width);
  }
  canvas->Put(x, box.hint_row, text::kWhereKeyHelp, kDim, width);
  return {};
}

void DirectoryBox::Scroll(int shown) {
  browser_.set_top(FirstInView(browser_.top(), browser_.marked(),
                               static_cast<int>(browser_.rows().size()),
                               shown));
}

BoxStep DirectoryBox::Handle(const Key& key, int cols, int rows) {
  const BoxLayout box = LayoutBox(cols, rows);
  const int shown = box.list.h;
  const int marked = browser_.marked();
  BoxStep step = BoxStep::kOpen;
  switch (key.code) {
    case KeyCode::kUp:
      browser_.Mark(marked - 1);
      break;
    case KeyCode::kDown:
      browser_.Mark(marked + 1);
      break;
    case KeyCode::kPageUp:
      browser_.Mark(marked - shown);
      break;
    case KeyCode::kPageDown:
      browser_.Mark(marked + shown);
      break;
    case KeyCode::kHome:
      browser_.Mark(0);
      break;
    case KeyCode::kEnd:
      browser_.Mark(static_cast<int>(browser_.rows().size()) - 1);
      break;
    case KeyCode::kEnter:
    case KeyCode::kRight:
      if (!browser_.Enter()) step = BoxStep::kBeep;
      break;
    case KeyCode::kBackspace:
    case KeyCode::kLeft:
      if (!browser_.Back()) step = BoxStep::kBeep;
      break;
    case KeyCode::kEscape:
      return BoxStep::kClosed;
    case KeyCode::kMouse: {
      const int count = static_cast<int>(browser_.rows().size());
      const int row = FirstInView(browser_.top(), marked, count, shown) +
                      key.y - box.list.y;
      if (box.list.Contains(key.x, key.y) && row < count) {
        browser_.Mark(row);
        browser_.Enter();  // the files' row is only marked
      }
      break;
    }
    default:
      break;
  }
  Scroll(shown);
  return step;
}

}  // namespace ovik::tui

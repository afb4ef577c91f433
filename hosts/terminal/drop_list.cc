#include "hosts/terminal/drop_list.h"

#include <algorithm>

#include "hosts/terminal/layout.h"
#include "hosts/terminal/render.h"

namespace ovik::tui {

DropList::DropList(const MemoryDialogPort& port)
    : port_(port), highlight_(std::max(port.SelectedDrive(), 0)) {}

CursorPos DropList::Render(Canvas* canvas) const {
  RenderDropList(LayoutMainDialog(canvas->width(), canvas->height()), port_,
                 highlight_, canvas);
  return {};
}

BoxStep DropList::Choose(int index) {
  chosen_ = index;
  return BoxStep::kClosed;
}

BoxStep DropList::Handle(const Key& key, int cols, int rows) {
  const int count = port_.DriveCount();
  if (count == 0) return BoxStep::kClosed;
  switch (key.code) {
    case KeyCode::kUp:
      highlight_ = std::max(highlight_ - 1, 0);
      return BoxStep::kOpen;
    case KeyCode::kDown:
      highlight_ = std::min(highlight_ + 1, count - 1);
      return BoxStep::kOpen;
    case KeyCode::kHome:
      highlight_ = 0;
      return BoxStep::kOpen;
    case KeyCode::kEnd:
      highlight_ = count - 1;
      return BoxStep::kOpen;
    case KeyCode::kEnter:
      return Choose(highlight_);
    case KeyCode::kChar:
      return key.ch == U' ' ? Choose(highlight_) : BoxStep::kOpen;
    case KeyCode::kEscape:
    case KeyCode::kTab:
    case KeyCode::kBackTab:
      return BoxStep::kClosed;
    case KeyCode::kMouse: {
      // The entries shown are those RenderDropList draws.
      const Rect box = DropListRect(LayoutMainDialog(cols, rows), count, rows);
      const int shown = box.h - 2;
      const int first =
          std::clamp(highlight_ - shown + 1, 0, std::max(0, count - shown));
      const Rect items{box.x + 1, box.y + 1, box.w - 2, shown};
      if (items.Contains(key.x, key.y) && first + key.y - items.y < count) {
        return Choose(first + key.y - items.y);
      }
      return BoxStep::kClosed;
    }
    default:
      return BoxStep::kOpen;
  }
}

}  // namespace ovik::tui

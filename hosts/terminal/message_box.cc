#include "hosts/terminal/message_box.h"

#include "dialog/texts.h"
#include "hosts/terminal/layout.h"
#include "hosts/terminal/render.h"
#include "present/text_cells.h"

namespace ovik::tui {

CursorPos MessageBox::Render(Canvas* canvas) const {
  const MessageBoxLayout layout = LayoutMessageBox(
      canvas->width(), canvas->height(), DisplayWidth(message_));
  RenderMessageBox(layout, text::kCaption, message_, canvas);
  return {};
}

BoxStep MessageBox::Handle(const Key& key, int cols, int rows) const {
  switch (key.code) {
    case KeyCode::kEnter:
    case KeyCode::kEscape:
      return BoxStep::kClosed;
    case KeyCode::kChar:
      return key.ch == U' ' ? BoxStep::kClosed : BoxStep::kOpen;
    case KeyCode::kMouse: {
      const MessageBoxLayout layout =
          LayoutMessageBox(cols, rows, DisplayWidth(message_));
      return layout.ok.Contains(key.x, key.y) ? BoxStep::kClosed
                                              : BoxStep::kOpen;
    }
    default:
      return BoxStep::kOpen;
  }
}

}  // namespace ovik::tui

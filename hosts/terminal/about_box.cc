#include "hosts/terminal/about_box.h"

#include "dialog/control_ids.h"
#include "dialog/dialog_template.h"
#include "hosts/terminal/layout.h"
#include "hosts/terminal/render.h"

namespace ovik::tui {

AboutBox::AboutBox(const RegisteredOwner& registered, const DisplayMode& mode)
    : port_(AboutDialogTemplate()), about_(port_), mode_(mode) {
  about_.OnInitDialog(registered);
}

CursorPos AboutBox::Render(Canvas* canvas) const {
  RenderAboutDialog(LayoutAboutDialog(canvas->width(), canvas->height()), port_,
                    mode_, canvas);
  return {};
}

BoxStep AboutBox::Handle(const Key& key, int cols, int rows) {
  bool command = false;
  switch (key.code) {
    case KeyCode::kEnter:
    case KeyCode::kEscape:
      command = true;
      break;
    case KeyCode::kChar:
      command = key.ch == U' ';
      break;
    case KeyCode::kMouse:
      command = LayoutAboutDialog(cols, rows).HitTest(key.x, key.y) == IDC_OK;
      break;
    default:
      break;
  }
  if (command) about_.OnCommand();
  return port_.end_result() ? BoxStep::kClosed : BoxStep::kOpen;
}

}  // namespace ovik::tui

#include "hosts/terminal/save_as_box.h"

#include <optional>
#include <utility>

#include "hosts/terminal/layout.h"
#include "hosts/terminal/paths.h"

namespace ovik::tui {

SaveAsBox::SaveAsBox(const SaveAsRequest& request,
                     std::string current_directory, const DisplayMode& mode)
    : title_(request.title),
      default_extension_(request.default_extension),
      current_directory_(std::move(current_directory)),
      mode_(mode) {}

CursorPos SaveAsBox::Render(Canvas* canvas) const {
  return RenderSaveAs(LayoutSaveAs(canvas->width(), canvas->height()), title_,
                      field_, focus_, mode_, canvas);
}

BoxStep SaveAsBox::Close(SaveAsResult result) {
  result_ = result;
  return BoxStep::kClosed;
}

BoxStep SaveAsBox::Choose() {
  if (current_directory_.empty()) return Close(SaveAsResult::kFailed);
  std::optional<std::string> name =
      ResolveSaveAsName(field_.Text(), default_extension_, current_directory_);
  if (!name) {
    // No file named yet: the box stays, as it does for an empty name.
    focus_ = SaveAsFocus::kField;
    return BoxStep::kBeep;
  }
  path_ = std::move(*name);
  return Close(SaveAsResult::kChosen);
}

BoxStep SaveAsBox::Handle(const Key& key, int cols, int rows) {
  const bool in_field = focus_ == SaveAsFocus::kField;
  switch (key.code) {
    case KeyCode::kEscape:
      return Close(SaveAsResult::kCancelled);
    case KeyCode::kTab:
      focus_ = focus_ == SaveAsFocus::kField ? SaveAsFocus::kOk
               : focus_ == SaveAsFocus::kOk  ? SaveAsFocus::kCancel
                                             : SaveAsFocus::kField;
      return BoxStep::kOpen;
    case KeyCode::kBackTab:
      focus_ = focus_ == SaveAsFocus::kField ? SaveAsFocus::kCancel
               : focus_ == SaveAsFocus::kOk  ? SaveAsFocus::kField
                                             : SaveAsFocus::kOk;
      return BoxStep::kOpen;
    case KeyCode::kEnter:
      if (focus_ == SaveAsFocus::kCancel) {
        return Close(SaveAsResult::kCancelled);
      }
      return Choose();
    case KeyCode::kChar:
      if (in_field && !key.alt) {
        field_.Insert(key.ch);
      } else if (key.ch == U' ') {
        if (focus_ == SaveAsFocus::kCancel) {
          return Close(SaveAsResult::kCancelled);
        }
        return Choose();
      }
      return BoxStep::kOpen;
    case KeyCode::kBackspace:
      if (in_field) field_.Backspace();
      return BoxStep::kOpen;
    case KeyCode::kDelete:
      if (in_field) field_.Delete();
      return BoxStep::kOpen;
    case KeyCode::kLeft:
      if (in_field) field_.Left();
      return BoxStep::kOpen;
    case KeyCode::kRight:
      if (in_field) field_.Right();
      return BoxStep::kOpen;
    case KeyCode::kHome:
      if (in_field) field_.Home();
      return BoxStep::kOpen;
    case KeyCode::kEnd:
      if (in_field) field_.End();
      return BoxStep::kOpen;
    case KeyCode::kMouse: {
      const SaveAsLayout layout = LayoutSaveAs(cols, rows);
      if (layout.cancel.Contains(key.x, key.y)) {
        return Close(SaveAsResult::kCancelled);
      }
      if (layout.ok.Contains(key.x, key.y)) return Choose();
      if (layout.field.Contains(key.x, key.y)) focus_ = SaveAsFocus::kField;
      return BoxStep::kOpen;
    }
    default:
      return BoxStep::kOpen;
  }
}

}  // namespace ovik::tui

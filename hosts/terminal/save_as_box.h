// The Save As box: a file-name field, OK and Cancel. Tab and Shift-Tab
// move between them; Enter or Space on OK (Enter in the field too)
// takes the name, which must name a file; Esc or Cancel gives up.
#ifndef OVIK_HOSTS_TERMINAL_SAVE_AS_BOX_H_
#define OVIK_HOSTS_TERMINAL_SAVE_AS_BOX_H_

#include <string>
#include <string_view>

#include "dialog/dialog_port.h"
#include "hosts/terminal/canvas.h"
#include "hosts/terminal/keys.h"
#include "hosts/terminal/line_edit.h"
#include "hosts/terminal/modal_box.h"
#include "hosts/terminal/render.h"

namespace ovik::tui {

class SaveAsBox {
 public:
  // A relative name is taken relative to |current_directory|; when that
  // is empty (it could not be found out) choosing a name fails.
  // It is drawn for a terminal of |mode|.
  SaveAsBox(const SaveAsRequest& request, std::string current_directory,
            const DisplayMode& mode);

  CursorPos Render(Canvas* canvas) const;
  BoxStep Handle(const Key& key, int cols, int rows);

  // Once closed: kChosen with path(), kCancelled or kFailed.
  SaveAsResult result() const { return result_; }
  const std::string& path() const { return path_; }

 private:
  // OK: takes the name when it names a file.
  BoxStep Choose();
  BoxStep Close(SaveAsResult result);

  std::string title_;
  std::string default_extension_;
  std::string current_directory_;
  LineEdit field_;
  SaveAsFocus focus_ = SaveAsFocus::kField;
  SaveAsResult result_ = SaveAsResult::kCancelled;
  std::string path_;
  DisplayMode mode_;
};

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_SAVE_AS_BOX_H_

// The About box's logic: fills the two labels from the registered owner
// and organisation when the system keeps them; any command ends it.
#ifndef OVIK_DIALOG_ABOUT_DIALOG_H_
#define OVIK_DIALOG_ABOUT_DIALOG_H_

#include "platform/settings.h"
#include "dialog/dialog_port.h"

namespace ovik {

class AboutDialog {
 public:
  explicit AboutDialog(DialogPort& dialog) : dialog_(dialog) {}
  // A name the system does not have leaves its label's own text.
  void OnInitDialog(const RegisteredOwner& registered);
  // Any command (OK, Esc, the close command) ends the box.
  void OnCommand();

 private:
  DialogPort& dialog_;
};

}  // namespace ovik

#endif  // OVIK_DIALOG_ABOUT_DIALOG_H_

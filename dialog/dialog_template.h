// The two dialogs' templates as data: every control's kind, id, place in
// dialog units and initial text, in template order. The resource script
// (ui/win32/ovik.rc) says the same for Windows, and a test holds the two
// together; the terminal dialog lays itself out from these.
#ifndef OVIK_DIALOG_DIALOG_TEMPLATE_H_
#define OVIK_DIALOG_DIALOG_TEMPLATE_H_

#include <span>
#include <string_view>

namespace ovik {

enum class ControlKind {
  kButton,
  kDefaultButton,
  kDropDown,
  kLabel,
  kRightLabel,
  kGroupBox,
  kScrollBar,
  kIcon,
};

// One control, in dialog units.
struct ControlSpec {
  int id;  // -1: a label or frame the logic never addresses
  ControlKind kind;
  int x, y, w, h;
  std::string_view text;  // initial text
};

struct DialogTemplate {
  std::string_view caption;
  int width, height;  // dialog units
  std::span<const ControlSpec> controls;
};

const DialogTemplate& MainDialogTemplate();
const DialogTemplate& AboutDialogTemplate();

}  // namespace ovik

#endif  // OVIK_DIALOG_DIALOG_TEMPLATE_H_

#include "dialog/about_dialog.h"

#include "dialog/control_ids.h"

namespace ovik {

void AboutDialog::OnInitDialog(const RegisteredOwner& registered) {
  if (registered.owner) {
    dialog_.SetControlText(IDC_ABOUT_USER, *registered.owner);
  }
  if (registered.organization) {
    dialog_.SetControlText(IDC_ABOUT_COMPANY, *registered.organization);
  }
}

void AboutDialog::OnCommand() { dialog_.EndDialog(1); }

}  // namespace ovik

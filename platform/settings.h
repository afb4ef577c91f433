// The registered owner and organisation the system keeps, if any.
#ifndef OVIK_PLATFORM_SETTINGS_H_
#define OVIK_PLATFORM_SETTINGS_H_

#include "ui/main_dialog.h"

namespace ovik {

// Windows: HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion, read access
// only. Elsewhere: what the system has that means the same, or nothing.
RegisteredOwner ReadRegisteredOwner();

}  // namespace ovik

#endif  // OVIK_PLATFORM_SETTINGS_H_

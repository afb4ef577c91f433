// The registered owner and organisation of the installation, which the
// About box shows. Windows keeps them in its registry; a POSIX system
// keeps nothing of the kind (accounts and machine descriptions name
// other things), so there the About box keeps its own texts.
#ifndef OVIK_PLATFORM_SETTINGS_H_
#define OVIK_PLATFORM_SETTINGS_H_

#include <optional>
#include <string>

#include "platform/status.h"

namespace ovik {

// Each name, when the system has it.
struct RegisteredOwner {
  std::optional<std::string> owner;
  std::optional<std::string> organization;
};

// Where the names are kept: a key under HKEY_LOCAL_MACHINE and its two
// string values. The program's resources name them.
struct RegisteredOwnerKey {
  std::string key;
  std::string owner_value;
  std::string organization_value;
};

#ifdef _WIN32
// Opens |where|.key for reading only (an ordinary user may read it but
// not change it) and reads both values, whatever their length. Fails
// when the key cannot be opened; a value that is missing or not a
// string is left out of *registered.
Status ReadRegisteredOwner(const RegisteredOwnerKey& where,
                           RegisteredOwner* registered);
#endif

}  // namespace ovik

#endif  // OVIK_PLATFORM_SETTINGS_H_

#include "platform/settings.h"

namespace ovik {

// A Linux or other POSIX installation keeps no registered owner or
// organisation: /etc/passwd names accounts, /etc/machine-info and
// os-release describe the machine and the distribution, and none of them
// says whom the installation is registered to. Borrowing one of them
// (the current user's full name, say) would put a wrong answer under the
// label, so the About box keeps its own texts.
RegisteredOwner ReadRegisteredOwner() { return RegisteredOwner{}; }

}  // namespace ovik

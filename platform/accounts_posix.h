// The account and group databases of a POSIX system (getpwuid_r and
// friends, so NSS sources such as LDAP answer too).
#ifndef OVIK_PLATFORM_ACCOUNTS_POSIX_H_
#define OVIK_PLATFORM_ACCOUNTS_POSIX_H_

#include <sys/types.h>

#include <string>
#include <string_view>

#include "platform/status.h"

namespace ovik {

// The name of the account |uid| or of the group |gid|. kNotFound when the
// database has none; another code when it could not be asked.
Status NameOfUid(uid_t uid, std::string* name);
Status NameOfGid(gid_t gid, std::string* name);

// The account (or group) |name_or_id| names: by name first, then, for a
// decimal number, by id. Its name when there is one; kNotFound when the
// database knows neither.
Status FindAccountName(std::string_view name_or_id, std::string* name);
Status FindGroupName(std::string_view name_or_id, std::string* name);

}  // namespace ovik

#endif  // OVIK_PLATFORM_ACCOUNTS_POSIX_H_

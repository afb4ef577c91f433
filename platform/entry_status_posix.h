// What statx (or fstatat, where the scan has no mount ids) tells of a
// directory entry, read relative to its directory's descriptor.
#ifndef OVIK_PLATFORM_ENTRY_STATUS_POSIX_H_
#define OVIK_PLATFORM_ENTRY_STATUS_POSIX_H_

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>

#ifndef STATX_MNT_ID
#define STATX_MNT_ID 0x00001000U
#endif

namespace ovik {

struct EntryStatus {
  mode_t mode = 0;
  std::uint64_t size = 0;
  dev_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t links = 1;
  uid_t uid = 0;
  gid_t gid = 0;
  std::uint64_t mount_id = 0;
  bool has_mount_id = false;
};

// The status of the entry |name| of the directory |dirfd|, links not
// followed; with |mount_id|, through statx with the entry's mount. False,
// with errno set, when it cannot be read.
bool StatEntry(int dirfd, const char* name, bool mount_id, EntryStatus* s);

}  // namespace ovik

#endif  // OVIK_PLATFORM_ENTRY_STATUS_POSIX_H_

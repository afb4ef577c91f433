// What statx (or fstatat, where the scan has no mount ids) tells of a
// directory entry, read relative to its directory's descriptor, and the
// Entry made of it. The volume tables fill the same status from their
// own records and make their entries the same way, so a file reads alike
// whichever way counted it.
#ifndef OVIK_PLATFORM_ENTRY_STATUS_POSIX_H_
#define OVIK_PLATFORM_ENTRY_STATUS_POSIX_H_

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <string_view>

#include "platform/entry.h"

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
  std::int64_t modified = 0;  // seconds since 1970
  std::int64_t accessed = 0;
  std::uint64_t mount_id = 0;
  bool has_mount_id = false;
};

// The status of the entry |name| of the directory |dirfd|, links not
// followed; with |mount_id|, through statx with the entry's mount. False,
// with errno set, when it cannot be read.
bool StatEntry(int dirfd, const char* name, bool mount_id, EntryStatus* s);

// The kind of an entry that is not a directory, from its mode.
EntryKind KindOfMode(mode_t mode);

// Fills every field of *entry but the name from |s|, for an entry that
// is not a directory: its kind, size, identity, times, and its owner and
// group keys (the uid's and the gid's bytes).
void FillEntry(const EntryStatus& s, Entry* entry);

// Fills *entry as an entry whose status cannot be read: counted with no
// size, no times and no identity, under the unreadable owner.
void FillUnreadableEntry(EntryKind kind, Entry* entry);

// The uid or gid an owner or group key holds; false for bytes that are
// no key of this system.
bool UidOfKey(std::string_view key, uid_t* uid);
bool GidOfKey(std::string_view key, gid_t* gid);

}  // namespace ovik

#endif  // OVIK_PLATFORM_ENTRY_STATUS_POSIX_H_

#include "platform/entry_status_posix.h"

#include <fcntl.h>
#include <sys/sysmacros.h>

namespace ovik {

bool StatEntry(int dirfd, const char* name, bool mount_id, EntryStatus* s) {
  if (mount_id) {
    struct statx stx;
    if (statx(dirfd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
              STATX_BASIC_STATS | STATX_MNT_ID, &stx) != 0) {
      return false;
    }
    s->mode = stx.stx_mode;
    s->size = stx.stx_size;
    s->device = makedev(stx.stx_dev_major, stx.stx_dev_minor);
    s->inode = stx.stx_ino;
    s->links = stx.stx_nlink;
    s->uid = stx.stx_uid;
    s->gid = stx.stx_gid;
    s->has_mount_id = (stx.stx_mask & STATX_MNT_ID) != 0;
    s->mount_id = stx.stx_mnt_id;
    return true;
  }
  struct stat st;
  if (fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  s->mode = st.st_mode;
  s->size = static_cast<std::uint64_t>(st.st_size);
  s->device = st.st_dev;
  s->inode = st.st_ino;
  s->links = st.st_nlink;
  s->uid = st.st_uid;
  s->gid = st.st_gid;
  return true;
}

}  // namespace ovik

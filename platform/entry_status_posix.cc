#include "platform/entry_status_posix.h"

#include <fcntl.h>
#include <sys/sysmacros.h>

#include <cstring>

namespace ovik {
namespace {

template <typename Id>
void SetKey(Id id, std::string* key) {
  key->assign(reinterpret_cast<const char*>(&id), sizeof id);
}

template <typename Id>
bool IdOfKey(std::string_view key, Id* id) {
  if (key.size() != sizeof *id) return false;
  std::memcpy(id, key.data(), sizeof *id);
  return true;
}

}  // namespace

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
    s->modified = stx.stx_mtime.tv_sec;
    s->accessed = stx.stx_atime.tv_sec;
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
  s->modified = st.st_mtim.tv_sec;
  s->accessed = st.st_atim.tv_sec;
  return true;
}

EntryKind KindOfMode(mode_t mode) {
  return S_ISREG(mode)   ? EntryKind::kFile
         : S_ISLNK(mode) ? EntryKind::kLink
                         : EntryKind::kOther;
}

void FillEntry(const EntryStatus& s, Entry* entry) {
  entry->kind = KindOfMode(s.mode);
  entry->size = s.size;
  entry->device = s.device;
  entry->inode = s.inode;
  entry->links = static_cast<std::uint32_t>(s.links);
  entry->owner_status = OwnerStatus::kKnown;
  SetKey(s.uid, &entry->owner_key);
  SetKey(s.gid, &entry->group_key);
  entry->modified = s.modified;
  entry->accessed = s.accessed;
}

void FillUnreadableEntry(EntryKind kind, Entry* entry) {
  entry->kind = kind;
  entry->size = 0;
  entry->device = 0;
  entry->inode = 0;
  entry->links = 1;
  entry->owner_status = OwnerStatus::kUnreadable;
  entry->owner_key.clear();
  entry->group_key.clear();
  entry->modified = 0;
  entry->accessed = 0;
}

bool UidOfKey(std::string_view key, uid_t* uid) { return IdOfKey(key, uid); }
bool GidOfKey(std::string_view key, gid_t* gid) { return IdOfKey(key, gid); }

}  // namespace ovik

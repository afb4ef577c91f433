// Which table serves a path: the mount that holds it, whether the path is
// that mount's root and the mount the whole file system, which file
// system it is; then the volume is flushed and its reader opened.
#include "platform/volume_table_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <utility>

#include "platform/entry_status_posix.h"
#include "platform/status.h"

#ifndef STATX_ATTR_MOUNT_ROOT
#define STATX_ATTR_MOUNT_ROOT 0x00002000
#endif

namespace ovik {
namespace {

constexpr long kExtMagic = 0xEF53;  // ext2, ext3 and ext4 alike
constexpr long kXfsMagic = 0x58465342;
constexpr long kBtrfsMagic = 0x9123683E;

std::optional<std::string> ReadText(const char* path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Whether this process sees ids as the volume records them: its user
// namespace maps every id to itself (the initial namespace does).
bool IdsUnmapped() {
  for (const char* map : {"/proc/self/uid_map", "/proc/self/gid_map"}) {
    const std::optional<std::string> text = ReadText(map);
    if (!text) return false;
    std::istringstream in(*text);
    unsigned long long inside = 1, outside = 1, count = 0;
    if (!(in >> inside >> outside >> count) || inside != 0 || outside != 0 ||
        count != 4294967295ULL) {
      return false;
    }
    std::string more;
    if (in >> more) return false;
  }
  return true;
}

bool HasOption(std::string_view options, std::string_view option) {
  std::size_t pos = 0;
  while (pos <= options.size()) {
    std::size_t comma = options.find(',', pos);
    if (comma == std::string_view::npos) comma = options.size();
    if (options.substr(pos, comma - pos) == option) return true;
    pos = comma + 1;
  }
  return false;
}

// Where the directory |fd| lies: whether it is the root of its mount,
// and that mount's line of the table. False when the table cannot tell.
bool FindMount(int fd, const std::string& path, const struct stat& st,
               bool* mount_root, MountInfoEntry* mount) {
  const std::optional<std::string> text = ReadText("/proc/self/mountinfo");
  if (!text) return false;
  const std::vector<MountInfoEntry> mounts = ParseMountInfo(*text);
  struct statx stx;
  if (statx(fd, "", AT_EMPTY_PATH, STATX_MNT_ID, &stx) == 0 &&
      (stx.stx_mask & STATX_MNT_ID) != 0) {
    for (const MountInfoEntry& m : mounts) {
      if (m.mount_id != stx.stx_mnt_id) continue;
      *mount = m;
      if ((stx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0) {
        *mount_root = (stx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
      } else {
        // Above a mount's root lies another mount, or nothing at all.
        struct statx up;
        *mount_root =
            statx(fd, "..", AT_SYMLINK_NOFOLLOW, STATX_MNT_ID | STATX_INO,
                  &up) == 0 &&
            (up.stx_mnt_id != stx.stx_mnt_id || up.stx_ino == stx.stx_ino);
      }
      return true;
    }
    return false;
  }
  // No mount ids: the topmost mount on the path's place, if it is the
  // directory's device.
  std::unique_ptr<char, decltype(&std::free)> real(
      realpath(path.c_str(), nullptr), &std::free);
  if (!real) return false;
  const MountInfoEntry* found = nullptr;
  for (const MountInfoEntry& m : mounts) {
    if (m.mount_point == real.get()) found = &m;
  }
  *mount_root = found != nullptr && makedev(found->major, found->minor) ==
                                        st.st_dev;
  if (*mount_root) *mount = *found;
  return *mount_root;
}

}  // namespace

UniqueFd::~UniqueFd() {
  if (fd_ >= 0) close(fd_);
}

TableOpenResult RefuseTable(TableRefusal refusal, std::string reason) {
  TableOpenResult result;
  result.refusal = refusal;
  result.reason = std::move(reason);
  return result;
}

bool FlushVolume(const MountedVolume& volume, TableOpenResult* refusal) {
  if (syncfs(volume.fd) == 0) return true;
  *refusal = RefuseTable(TableRefusal::kUnreadable,
                         "the volume of " + volume.path +
                             " cannot be flushed: " +
                             Status::FromSystemError(errno).ToString());
  return false;
}

UniqueFd DuplicateVolumeFd(const MountedVolume& volume,
                           TableOpenResult* refusal) {
  UniqueFd owned(fcntl(volume.fd, F_DUPFD_CLOEXEC, 0));
  if (owned.get() < 0) {
    *refusal = RefuseTable(TableRefusal::kUnreadable,
                           volume.path + " cannot be opened again: " +
                               Status::FromSystemError(errno).ToString());
  }
  return owned;
}

TableOpenResult OpenVolumeTable(std::string_view root_path) {
  MountedVolume volume;
  volume.path = std::string(root_path);
  const std::string& path = volume.path;
  int opened;
  do {
    opened = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  } while (opened < 0 && errno == EINTR);
  if (opened < 0) {
    return RefuseTable(TableRefusal::kUnreadable,
                       path + " cannot be opened: " +
                           Status::FromSystemError(errno).ToString());
  }
  const UniqueFd fd(opened);
  struct stat st;
  struct statfs sfs;
  if (fstat(fd.get(), &st) != 0 || fstatfs(fd.get(), &sfs) != 0) {
    return RefuseTable(TableRefusal::kUnreadable,
                       path + " cannot be examined: " +
                           Status::FromSystemError(errno).ToString());
  }
  bool mount_root = false;
  if (!FindMount(fd.get(), path, st, &mount_root, &volume.mount)) {
    return RefuseTable(TableRefusal::kNotVolumeRoot,
                       "the mount table does not show where " + path +
                           " is mounted");
  }
  const long magic = static_cast<long>(sfs.f_type);
  if (magic != kExtMagic && magic != kXfsMagic && magic != kBtrfsMagic) {
    return RefuseTable(TableRefusal::kNoTable,
                       path + " is on a " + volume.mount.fs_type +
                           " file system, which has no table Ovik reads");
  }
  if (!mount_root) {
    return RefuseTable(TableRefusal::kNotVolumeRoot,
                       path + " is not the root of a mounted file system");
  }
  if (volume.mount.root != "/") {
    return RefuseTable(TableRefusal::kNotVolumeRoot,
                       path + " is a mount of " + volume.mount.root +
                           " within its file system, not of the whole volume");
  }
  if (HasOption(volume.mount.options, "idmapped")) {
    return RefuseTable(TableRefusal::kNoTable,
                       "the mount of " + path +
                           " maps owners (idmapped), which its table does "
                           "not show");
  }
  if (!IdsUnmapped()) {
    return RefuseTable(TableRefusal::kNoPrivilege,
                       "this process's user namespace maps owners, which "
                       "the tables do not show");
  }
  volume.fd = fd.get();
  volume.device = st.st_dev;
  if (magic == kExtMagic) return OpenExtTable(volume);
  if (magic == kXfsMagic) return OpenXfsTable(volume);
  return OpenBtrfsTable(volume);
}

}  // namespace ovik

// The places below a scan's root where something is mounted, taken from
// the mount table, for systems whose statx gives no mount id: there a
// bind mount from the same device (of a directory or a single file) shows
// the same device number as the tree around it, and only the table tells.
#ifndef OVIK_PLATFORM_MOUNT_POINTS_POSIX_H_
#define OVIK_PLATFORM_MOUNT_POINTS_POSIX_H_

#include <sys/types.h>

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <tuple>

namespace ovik {

class MountPointSet {
 public:
  // Every mount point strictly below the directory |root_fd| (whose path
  // is |root_path|), from the mount table text |mountinfo|. Null when the
  // root's place in the table cannot be told.
  static std::shared_ptr<const MountPointSet> Below(
      int root_fd, const std::string& root_path, std::string_view mountinfo);
  // The same from this process's own mount table.
  static std::shared_ptr<const MountPointSet> Below(
      int root_fd, const std::string& root_path);

  // Whether the entry |name| of the directory (device, inode) is one.
  bool Contains(dev_t device, ino_t inode, std::string_view name) const {
    return places_.count({device, inode, std::string(name)}) != 0;
  }

 private:
  std::set<std::tuple<dev_t, ino_t, std::string>> places_;
};

}  // namespace ovik

#endif  // OVIK_PLATFORM_MOUNT_POINTS_POSIX_H_

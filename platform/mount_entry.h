// One mount as the kernel's mount table (/proc/<pid>/mountinfo) gives
// it: plain data, the same whichever system reads it.
#ifndef OVIK_PLATFORM_MOUNT_ENTRY_H_
#define OVIK_PLATFORM_MOUNT_ENTRY_H_

#include <cstdint>
#include <string>

namespace ovik {

// One line of mountinfo. Paths are unescaped.
struct MountInfoEntry {
  std::uint64_t mount_id = 0;
  std::uint64_t parent_id = 0;
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::string root;         // the directory of the file system mounted here
  std::string mount_point;
  std::string options;      // this mount's own: "rw,relatime,idmapped"
  std::string fs_type;      // "ext4", "fuseblk", "fuse.sshfs", ...
  std::string source;       // "/dev/sda1", "server:/export", "none", ...
};

}  // namespace ovik

#endif  // OVIK_PLATFORM_MOUNT_ENTRY_H_

// udev's links to block devices by what names them (/dev/disk/by-label,
// /dev/disk/by-uuid): which link names the device a mount is of.
#ifndef OVIK_PLATFORM_DISK_LINKS_POSIX_H_
#define OVIK_PLATFORM_DISK_LINKS_POSIX_H_

#include <string>

#include "platform/mount_entry.h"

namespace ovik {

inline constexpr const char kDiskLabels[] = "/dev/disk/by-label";
inline constexpr const char kDiskUuids[] = "/dev/disk/by-uuid";

// The name (unescaped) of the link in |directory| whose device is
// |mount|'s: by device number, or for file systems shown with an
// anonymous number (btrfs) by the path of the mount's source. Empty when
// none is, or the directory cannot be read.
std::string DiskLinkNameFor(const std::string& directory,
                            const MountInfoEntry& mount);

}  // namespace ovik

#endif  // OVIK_PLATFORM_DISK_LINKS_POSIX_H_

// The volumes of the machine and their facts, as the volume panel needs
// them. POSIX and Win32 implementations sit beside this file. Calls that
// can fail return a Status (platform/status.h) and leave their output
// untouched when they do. Called from one thread at a time.
#ifndef OVIK_PLATFORM_VOLUMES_H_
#define OVIK_PLATFORM_VOLUMES_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace ovik {

// Values as the system's drive-type query numbers them.
enum class DriveType : std::uint32_t {
  kUnknown = 0,     // cannot be determined
  kNoRootDir = 1,   // path does not exist
  kRemovable = 2,
  kFixed = 3,
  kRemote = 4,
  kCdRom = 5,
  kRamDisk = 6,
};

struct VolumeInformation {
  std::string label;        // empty when the volume has none
  std::string file_system;  // as the system names it: "NTFS", "ext4", ...
};

struct DiskSpace {
  std::uint64_t bytes_per_cluster = 0;
  std::uint64_t free_clusters = 0;   // available to an unprivileged user
  std::uint64_t total_clusters = 0;
};

class VolumeSource {
 public:
  virtual ~VolumeSource() = default;
  // Candidate root paths in the system's order.
  virtual Status ListRoots(std::vector<std::string>* roots) = 0;
  // Never fails: a type that cannot be told and a path that does not
  // exist have types of their own.
  virtual DriveType GetDriveType(std::string_view root) = 0;
  // Label and file system of the volume holding |root|.
  virtual Status GetVolumeInformation(std::string_view root,
                                      VolumeInformation* info) = 0;
  // Cluster size and counts of the volume holding |root|.
  virtual Status GetDiskFreeSpace(std::string_view root,
                                  DiskSpace* space) = 0;
  // Whether a file system of this name records an owner for every file.
  virtual bool RecordsOwners(std::string_view file_system) const = 0;
  // Where the volume holding |path| is mounted (its root).
  // kUnsupported where the system does not say.
  virtual Status GetMountPoint(std::string_view /*path*/,
                               std::string* /*mount_point*/) {
    return Status(StatusCode::kUnsupported);
  }
};

std::unique_ptr<VolumeSource> MakeSystemVolumeSource();

}  // namespace ovik

#endif  // OVIK_PLATFORM_VOLUMES_H_

// The volumes of the machine and their facts, as the volume panel needs
// them. POSIX and Win32 implementations sit beside this file.
#ifndef OVIK_PLATFORM_VOLUMES_H_
#define OVIK_PLATFORM_VOLUMES_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
  virtual std::vector<std::string> ListRoots() = 0;
  virtual DriveType GetDriveType(std::string_view root) = 0;
  virtual std::optional<VolumeInformation> GetVolumeInformation(
      std::string_view root) = 0;
  virtual std::optional<DiskSpace> GetDiskFreeSpace(std::string_view root) = 0;
  // Whether a file system of this name records an owner for every file.
  virtual bool RecordsOwners(std::string_view file_system) const = 0;
};

std::unique_ptr<VolumeSource> MakeSystemVolumeSource();

}  // namespace ovik

#endif  // OVIK_PLATFORM_VOLUMES_H_

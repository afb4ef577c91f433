// The volumes of the machine and their facts, as the volume panel needs
// them, in terms of no system in particular: POSIX and Win32
// implementations sit beside this file, each filling them its own way.
// Calls that can fail return a Status (platform/status.h) and leave their
// output untouched when they do. Called from one thread at a time.
#ifndef OVIK_PLATFORM_VOLUMES_H_
#define OVIK_PLATFORM_VOLUMES_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/mount_entry.h"
#include "platform/status.h"

namespace ovik {

// What kind of volume holds a path, whatever system it is on.
enum class VolumeKind : std::uint8_t {
  kUnknown,    // cannot be told
  kMissing,    // the path does not exist
  kRemovable,  // removable media: a USB stick, a card
  kFixed,      // a disk of the machine
  kRemote,     // a network file system
  kOptical,    // a CD, DVD or other optical disc
  kRam,        // held in memory
  kOther,      // a kind the system names that none of the above is
};

struct VolumeNames {
  std::string label;        // empty when the volume has none
  std::string file_system;  // as the system names it: "NTFS", "ext4", ...
};

// A volume's capacity in bytes, and the unit it hands out space in (the
// file system's block or cluster), which the figures the ranking
// computes its shares against are rounded to.
struct VolumeSpace {
  std::uint64_t free_bytes = 0;   // available to an unprivileged user
  std::uint64_t total_bytes = 0;
  std::uint64_t unit_bytes = 0;   // 0 when the system does not say
};

// The file system that holds a path, as the mount table names it, and
// its UUID: what tells it from every other file system wherever it is
// mounted, so that scans of it made under another mount point still
// match.
struct MountIdentity {
  MountInfoEntry mount;
  std::string uuid;           // empty when it has none, or none is known
  std::string resolved_path;  // the path, absolute, without links
};

class VolumeSource {
 public:
  virtual ~VolumeSource() = default;
  // Candidate root paths in the system's order.
  virtual Status ListRoots(std::vector<std::string>* roots) = 0;
  // Never fails: a kind that cannot be told and a path that does not
  // exist are kinds of their own.
  virtual VolumeKind KindOf(std::string_view root) = 0;
  // Label and file system of the volume holding |root|.
  virtual Status ReadNames(std::string_view root, VolumeNames* names) = 0;
  // Free and total space of the volume holding |root|.
  virtual Status ReadSpace(std::string_view root, VolumeSpace* space) = 0;
  // Whether a file system of this name records an owner for every file.
  virtual bool RecordsOwners(std::string_view file_system) const = 0;
  // Where the volume holding |path| is mounted (its root).
  // kUnsupported where the system does not say.
  virtual Status GetMountPoint(std::string_view /*path*/,
                               std::string* /*mount_point*/) {
    return Status(StatusCode::kUnsupported);
  }
  // The mount that holds |path| and its file system's identity.
  // kUnsupported where the system has no mount table.
  virtual Status IdentifyMount(std::string_view /*path*/,
                               MountIdentity* /*identity*/) {
    return Status(StatusCode::kUnsupported);
  }
};

std::unique_ptr<VolumeSource> MakeSystemVolumeSource();

}  // namespace ovik

#endif  // OVIK_PLATFORM_VOLUMES_H_

// The kernel's mount table (/proc/<pid>/mountinfo) and a volume source
// built on it. Parsing is pure; everything that touches the machine
// (reading the table, stat, statvfs, sysfs, udev links) comes in through
// MountProbes, so the whole source runs in tests from sample text.
#ifndef OVIK_PLATFORM_MOUNTINFO_H_
#define OVIK_PLATFORM_MOUNTINFO_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/mount_entry.h"
#include "platform/status.h"
#include "platform/volumes.h"

namespace ovik {

// Undoes the kernel's octal escapes (\040 space, \011 tab, \012 newline,
// \134 backslash, any other \ooo). Anything else is kept as it stands.
std::string UnescapeMountField(std::string_view field);

// Undoes udev's \xHH escapes in /dev/disk/by-label names.
std::string UnescapeUdevName(std::string_view name);

// One line, without its line break. nullopt when the line is malformed.
std::optional<MountInfoEntry> ParseMountInfoLine(std::string_view line);

// Every well-formed line of |text|, in order; malformed lines are skipped.
std::vector<MountInfoEntry> ParseMountInfo(std::string_view text);

// Whether a file system of this name (as mountinfo names it) keeps an
// owner for every file. Compared without regard to ASCII case.
bool FileSystemRecordsOwners(std::string_view file_system);

// Where the source asks the machine, each in the style of the OS layer.
// An empty function falls back to the behaviour noted beside it.
struct MountProbes {
  // The mountinfo text (empty function: fails, kUnsupported).
  std::function<Status(std::string* text)> read_mountinfo;
  // Whether |path| is a directory (empty: always).
  std::function<bool(const std::string& path)> is_directory;
  // Whether the block device is removable media (empty: never).
  std::function<bool(std::uint32_t major, std::uint32_t minor)> is_removable;
  // Volume label of the mount's device; empty when none (empty: none).
  std::function<std::string(const MountInfoEntry& mount)> label;
  // Space of the file system holding |path| (empty: fails, kUnsupported).
  std::function<Status(const std::string& path, VolumeSpace* space)> disk_space;
  // |path| made absolute, without symbolic links, "." or ".."; fails when
  // it does not exist (empty: lexical clean-up of absolute paths).
  std::function<Status(const std::string& path, std::string* resolved)>
      resolve;
  // UUID of the mount's file system; empty when none (empty: none).
  std::function<std::string(const MountInfoEntry& mount)> uuid;
  // Device number (major, minor) of the file system holding |path|
  // (empty: unknown).
  std::function<Status(const std::string& path,
                       std::pair<std::uint32_t, std::uint32_t>* device)>
      device_of;
};

// Volumes as the mount table describes them. A root is a mount point.
//
// ListRoots offers each file system once: mount points hidden by a later
// mount on the same place and mount points that are not directories
// (bind-mounted files) are dropped; of several mounts of one device the
// one of its own root ("/") is kept, else the first. Other calls accept
// any path and answer for the mount that holds it.
class MountInfoVolumeSource : public VolumeSource {
 public:
  explicit MountInfoVolumeSource(MountProbes probes);

  Status ListRoots(std::vector<std::string>* roots) override;
  VolumeKind KindOf(std::string_view root) override;
  Status ReadNames(std::string_view root, VolumeNames* names) override;
  Status ReadSpace(std::string_view root, VolumeSpace* space) override;
  bool RecordsOwners(std::string_view file_system) const override;
  Status GetMountPoint(std::string_view path,
                       std::string* mount_point) override;
  Status IdentifyMount(std::string_view path,
                       MountIdentity* identity) override;

 private:
  // The table, read on first use and again by every ListRoots; empty
  // while it cannot be read.
  const std::vector<MountInfoEntry>& Mounts();
  Status Reload();
  // The mount holding |resolved_path|, or nullptr.
  const MountInfoEntry* FindMount(const std::string& resolved_path);
  Status Resolve(std::string_view path, std::string* resolved) const;
  // The mount holding |root|; fails when there is none.
  Status MountOf(std::string_view root, const MountInfoEntry** mount);
  VolumeKind KindOfMount(const MountInfoEntry& mount) const;

  MountProbes probes_;
  std::vector<MountInfoEntry> mounts_;
  bool loaded_ = false;
};

}  // namespace ovik

#endif  // OVIK_PLATFORM_MOUNTINFO_H_

// The tables of Linux file systems: which one serves a path, and the
// readers of ext2/3/4, XFS and btrfs, each in a file of its own beside
// this one.
//
// A table serves only the root of a mounted file system whose mount shows
// the file system's own root (not a bind mount of a directory of it, not
// a btrfs subvolume mounted alone), and only where owners read from it
// are the owners stat would show (no idmapped mount, no user namespace
// that maps ids). Before any table is read the volume is flushed
// (syncfs), so sizes held back by delayed allocation and inode updates
// still waiting in memory are on the volume.
//
// What every reader gives, and leaves out, is what the walk of the same
// root counts: see TableSink. Entries are made from an EntryStatus with
// FillEntry, as the walk makes them; their device is the root's.
#ifndef OVIK_PLATFORM_VOLUME_TABLE_POSIX_H_
#define OVIK_PLATFORM_VOLUME_TABLE_POSIX_H_

#include <sys/types.h>

#include <string>
#include <string_view>

#include "platform/mountinfo.h"
#include "platform/volume_table.h"

namespace ovik {

// A descriptor closed when it goes out of scope, unless released.
class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd();
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&&) = delete;
  int get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// A mounted file system whose root a table may serve.
struct MountedVolume {
  int fd = -1;             // its root directory; a reader keeps a duplicate
  std::string path;        // as given, for messages
  MountInfoEntry mount;    // its line of the mount table
  dev_t device = 0;        // the root's device number
};

// The table that serves |root_path|, or why none does.
TableOpenResult OpenVolumeTable(std::string_view root_path);

// The readers, for a volume of their file system that passed the checks
// above. Each flushes it before reading.
TableOpenResult OpenExtTable(const MountedVolume& volume);
TableOpenResult OpenXfsTable(const MountedVolume& volume);
TableOpenResult OpenBtrfsTable(const MountedVolume& volume);

// Flushes the volume (syncfs), once the reader knows it may read it;
// false, with the refusal in *refusal, when it cannot.
bool FlushVolume(const MountedVolume& volume, TableOpenResult* refusal);

// A descriptor of the volume's root of the reader's own, for the ioctls;
// one below 0, with the refusal in *refusal, when it cannot be had.
UniqueFd DuplicateVolumeFd(const MountedVolume& volume,
                           TableOpenResult* refusal);

// A refusal with its reason.
TableOpenResult RefuseTable(TableRefusal refusal, std::string reason);

}  // namespace ovik

#endif  // OVIK_PLATFORM_VOLUME_TABLE_POSIX_H_

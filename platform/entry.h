// One entry of a directory listing or of a volume's table: what the scan
// counts of it.
#ifndef OVIK_PLATFORM_ENTRY_H_
#define OVIK_PLATFORM_ENTRY_H_

#include <cstdint>
#include <string>

namespace ovik {

enum class EntryKind : std::uint8_t {
  kFile,       // regular file
  kDirectory,  // a real directory (never a link to one)
  kLink,       // symbolic link or other reparse point that is not a directory
  // A directory entry that is a link or reparse point: a junction, a
  // directory symbolic link, a mount point. Like any directory entry it is
  // not counted, and being a link it is not entered either. (A POSIX
  // symbolic link is a kLink whatever it points to.)
  kDirectoryLink,
  kOther,      // fifo, socket, device
  // Where another volume or mount is mounted on this name (a bind-mounted
  // file, say): what shows here belongs to that volume, so it is neither
  // counted nor entered.
  kMountPoint,
};

enum class OwnerStatus : std::uint8_t {
  kKnown,       // owner_key holds the owner's identifier
  kUnreadable,  // the entry's security or status could not be read
};

// One directory entry. Strings are reused from one entry to the next so
// reading a listing allocates nothing per entry once warmed up.
struct Entry {
  std::string name;  // as the listing gave it; never "." or ".."
  EntryKind kind = EntryKind::kFile;
  // The fields below are filled for every entry that is not a directory.
  std::uint64_t size = 0;    // bytes, as lstat or the listing reports them
  std::uint64_t device = 0;  // identity for hard links
  std::uint64_t inode = 0;   // 0 when the system gives none
  std::uint32_t links = 1;   // hard link count
  OwnerStatus owner_status = OwnerStatus::kKnown;
  std::string owner_key;     // opaque bytes: a uid, a SID, ...
  // The entry's group the same way (a gid); empty where files have no
  // group, and when the owner is unreadable (the status that holds both
  // could not be read).
  std::string group_key;
  // Last modification and last access, in seconds since 1970 (UTC); 0
  // where the system gives none.
  std::int64_t modified = 0;
  std::int64_t accessed = 0;
};

}  // namespace ovik

#endif  // OVIK_PLATFORM_ENTRY_H_

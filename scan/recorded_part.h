// What one walker recorded of the directories it listed, when a scan
// keeps where the bytes are: handed over as a value once the walk is
// over, and used up by the merge (scan/directory_merge.h).
#ifndef OVIK_SCAN_RECORDED_PART_H_
#define OVIK_SCAN_RECORDED_PART_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <unordered_set>

namespace ovik {

// A recorded directory during the walk: the number of the walker that
// recorded it (its store) and its number there.
using DirectoryRef = std::uint64_t;
inline constexpr DirectoryRef kNoDirectory = ~DirectoryRef{0};

inline DirectoryRef MakeDirectoryRef(std::uint32_t store, std::uint32_t index) {
  return (DirectoryRef{store} << 32) | index;
}
inline std::uint32_t StoreOf(DirectoryRef ref) {
  return static_cast<std::uint32_t>(ref >> 32);
}
inline std::uint32_t IndexOf(DirectoryRef ref) {
  return static_cast<std::uint32_t>(ref);
}

// What the recorder keeps per directory, counted against the budget.
struct DirectoryRecord {
  DirectoryRef parent;     // kNoDirectory for the root
  std::uint32_t ordinal;   // among the parent's subdirectories
  std::uint32_t name_end;  // in the names; it begins where the last ended
};

// A directory's own bytes for one owner (by its number in the walker's
// tallies).
struct DirectoryBytes {
  std::uint32_t directory;  // this store's record
  std::uint32_t part_index;
  std::uint64_t bytes;
};

// An occurrence of a file with several links: its bytes are counted once,
// in the first of its directories in walk order, which is only known once
// the walk is over.
struct LinkedName {
  std::uint64_t device;
  std::uint64_t inode;
  std::uint64_t bytes;
  DirectoryRef directory;
  std::uint32_t owner;  // part indexes
  std::uint32_t group;
};

// Which bytes: by owner or by group, and of files with one link, or of
// files with several counted where the walk counted them.
enum class BytesKind : std::uint8_t {
  kOwner,
  kGroup,
  kOwnerLinked,
  kGroupLinked,
};
inline constexpr std::size_t kBytesKinds = 4;

// Bytes of a directory that is not the one being listed: a fold target,
// or one whose record could not take another owner.
struct HeldKey {
  DirectoryRef directory;
  std::uint32_t part_index;
  BytesKind kind;
  friend bool operator==(const HeldKey&, const HeldKey&) = default;
};
struct HeldKeyHash {
  std::size_t operator()(const HeldKey& key) const {
    std::uint64_t h = key.directory * 0x9e3779b97f4a7c15ULL;
    h ^= (std::uint64_t{key.part_index} << 3 | static_cast<unsigned>(key.kind)) +
         (h >> 29);
    return static_cast<std::size_t>(h * 0xbf58476d1ce4e5b9ULL);
  }
};

struct RecordedPart {
  std::deque<DirectoryRecord> records;
  std::deque<char> names;
  std::deque<DirectoryBytes> bytes[kBytesKinds];
  std::deque<LinkedName> linked;
  // False when a name of a file with several links could not be noted:
  // the merge then places every such file where the walk counted it.
  bool linked_complete = true;
  std::unordered_map<HeldKey, std::uint64_t, HeldKeyHash> held;
  // The recorded directories that hold directories not recorded.
  std::unordered_set<DirectoryRef> fold_targets;
  // Directories not recorded, counted in an ancestor.
  std::uint64_t folded = 0;

  std::deque<DirectoryBytes>& of(BytesKind kind) {
    return bytes[static_cast<std::size_t>(kind)];
  }
};

}  // namespace ovik

#endif  // OVIK_SCAN_RECORDED_PART_H_

// Where the bytes of a scan lie: every directory the walk listed, in walk
// order (a directory before what lies below it, subdirectories in the
// order their parent listed them), each with its own bytes (not those of
// its subdirectories) per owner and, when asked, per group, kept only
// where they are not zero. Plain data, built by the scan when
// ScanOptions::keep_directories asks for it; the same whatever the number
// of threads that walked.
//
// Directories are numbered by their place in walk order, the root being
// 0, so a directory's number is larger than its parent's and the
// directories below d are d + 1 up to SubtreeEnd(d). One owner's totals
// including subdirectories come from OwnerDirectories
// (scan/owner_directories.h), in one pass over the directories.
//
// When the scan's memory budget ran short, the directories it could not
// record count in their nearest recorded ancestor (HoldsFolded): totals
// are exact, the grain below such a directory is coarser.
#ifndef OVIK_SCAN_DIRECTORY_USAGE_H_
#define OVIK_SCAN_DIRECTORY_USAGE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scan/owner_table.h"
#include "scan/ranked_by.h"

namespace ovik {

using DirectoryIndex = std::uint32_t;
inline constexpr DirectoryIndex kRootDirectory = 0;
inline constexpr DirectoryIndex kNoDirectoryIndex = ~DirectoryIndex{0};

class DirectoryUsage {
 public:
  // Each directory's own bytes for one kind (owners or groups): those of
  // directory d are at [begin[d], begin[d + 1]), by owner index.
  struct OwnBytes {
    std::vector<std::uint32_t> begin;  // size() + 1 entries, or none
    std::vector<std::uint32_t> owner;  // records of the ranked table
    std::vector<std::uint64_t> bytes;
  };
  // Everything, as the scan puts it together.
  struct Data {
    std::vector<DirectoryIndex> parent;       // kNoDirectoryIndex for 0
    std::vector<DirectoryIndex> subtree_end;  // one past the last below
    std::vector<std::uint32_t> name_end;      // in names
    std::string names;
    OwnBytes by_owner;
    OwnBytes by_group;  // empty unless groups were counted
    bool groups = false;
    // Directories that hold directories not recorded, ascending.
    std::vector<DirectoryIndex> holding_folded;
    std::uint64_t folded = 0;  // directories not recorded
    // Each file with several links is in the first of its directories in
    // walk order; false when the budget had no room to note them all, and
    // each is where the walk first met it instead (which threads decide).
    bool links_in_walk_order = true;
  };

  DirectoryUsage() = default;
  explicit DirectoryUsage(Data data) : data_(std::move(data)) {}

  // Nothing was kept: not asked for, or the scan did not finish.
  bool empty() const { return data_.parent.empty(); }
  std::size_t size() const { return data_.parent.size(); }
  // Whether bytes were kept per owner (always, unless empty) or per group.
  bool Has(RankedBy by) const {
    return !empty() && (by == RankedBy::kOwner || data_.groups);
  }

  DirectoryIndex Parent(DirectoryIndex d) const { return data_.parent[d]; }
  DirectoryIndex SubtreeEnd(DirectoryIndex d) const {
    return data_.subtree_end[d];
  }
  // The subdirectories of |d|, in walk order: FirstChild, then
  // NextSibling until kNoDirectoryIndex.
  DirectoryIndex FirstChild(DirectoryIndex d) const;
  DirectoryIndex NextSibling(DirectoryIndex d) const;
  // The name within its parent; empty for the root.
  std::string_view Name(DirectoryIndex d) const;
  // The names from below the root down to |d|, joined by |separator|;
  // empty for the root. As the file system gave them: any bytes.
  std::string Path(DirectoryIndex d, char separator = '/') const;

  // The own bytes of |owner| (a record of the table ranked by |by|) in
  // |d|; 0 where none were kept.
  std::uint64_t OwnBytesOf(RankedBy by, DirectoryIndex d,
                           OwnerIndex owner) const;
  const OwnBytes& own_bytes(RankedBy by) const {
    return by == RankedBy::kGroup ? data_.by_group : data_.by_owner;
  }

  // Whether |d|'s own bytes include those of directories below it that
  // were not recorded (the memory budget ran short).
  bool HoldsFolded(DirectoryIndex d) const;
  // How many directories were not recorded; 0 when every one was.
  std::uint64_t folded_directories() const { return data_.folded; }
  bool links_in_walk_order() const { return data_.links_in_walk_order; }

 private:
  Data data_;
};

}  // namespace ovik

#endif  // OVIK_SCAN_DIRECTORY_USAGE_H_

// One owner's (or group's) bytes in every directory of a scan, each
// directory's total including everything below it: where the owner's
// bytes are. Worked out in one pass over the directories when made; then
// browsing costs time in proportion to what is shown.
//
// For the terminal dialog's drill-down and `ovik where`:
//   OwnerDirectories owner(result.directories, RankedBy::kOwner, index);
//   owner.total()                  the owner's bytes under the root
//   owner.Bytes(d)                 under directory d, d included
//   owner.Children(d)              d's subdirectories holding some of them
//   owner.ChainEnd(d)              the deepest directory holding all of d's
//   owner.Top(n)                   the n directories that hold most
//   result.directories.Path(d)     where d is, below the root
//   result.directories.Parent(d)   one level up (kNoDirectoryIndex at root)
// Lists are largest first, equal totals in walk order.
#ifndef OVIK_SCAN_OWNER_DIRECTORIES_H_
#define OVIK_SCAN_OWNER_DIRECTORIES_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scan/directory_usage.h"
#include "scan/owner_table.h"
#include "scan/ranked_by.h"

namespace ovik {

class OwnerDirectories {
 public:
  // |owner| is a record of the table ranked by |by|; |usage| must hold
  // that kind (DirectoryUsage::Has) and outlive this object.
  OwnerDirectories(const DirectoryUsage& usage, RankedBy by, OwnerIndex owner);

  // All of the owner's bytes the directories hold (those of the root).
  std::uint64_t total() const { return inclusive_.empty() ? 0 : inclusive_[0]; }
  // The owner's bytes in |d| and below it.
  std::uint64_t Bytes(DirectoryIndex d) const { return inclusive_[d]; }
  // The subdirectories of |d| that hold some of the owner's bytes.
  std::vector<DirectoryIndex> Children(DirectoryIndex d) const;
  // |d|, or the deepest directory below it that holds all of the owner's
  // bytes in |d|: the end of a chain of directories holding the same
  // bytes, where the walk down to them stops saying anything new.
  DirectoryIndex ChainEnd(DirectoryIndex d) const;
  // Where the owner's bytes are: every directory that holds some, except
  // one that holds nothing but what one of its subdirectories holds (a
  // chain of them shows once, at its deepest member). At most |limit|,
  // 0 for all.
  std::vector<DirectoryIndex> Top(std::size_t limit) const;

 private:
  // Orders |dirs| largest first, equal totals in walk order, keeping the
  // first |limit| (0: all).
  void Rank(std::vector<DirectoryIndex>* dirs, std::size_t limit) const;
  // The subdirectory of |d| that holds all of the owner's bytes in |d|;
  // kNoDirectoryIndex when there is none.
  DirectoryIndex WholeChild(DirectoryIndex d) const;

  const DirectoryUsage& usage_;
  std::vector<std::uint64_t> inclusive_;
};

}  // namespace ovik

#endif  // OVIK_SCAN_OWNER_DIRECTORIES_H_

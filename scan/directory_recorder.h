// What one walker keeps of the directories it lists, when a scan is asked
// to keep where the bytes are (scan/directory_usage.h): each directory's
// parent, its place among the parent's subdirectories and its name, and
// its own bytes per owner (and per group) where they are not zero. The
// walkers' parts are put together, in walk order, once the walk is over.
//
// Memory comes from a budget all walkers of a scan share. Directories
// deeper than a set level are not recorded: they count in their ancestor
// at that level, which is marked as holding such directories, so every
// total stays exact at a coarser grain. Beside its records the recorder
// counts what every level of the tree would cost, so that a walk whose
// records did not fit can be done again with the deepest level that
// does: which directories fold then depends on the tree alone, never on
// which thread met them first.
#ifndef OVIK_SCAN_DIRECTORY_RECORDER_H_
#define OVIK_SCAN_DIRECTORY_RECORDER_H_

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

#include "scan/recorded_part.h"

namespace ovik {

// The bytes the walkers of one scan may take for their records; shared,
// taken in chunks so that the walkers seldom meet here.
class DirectoryBudget {
 public:
  // Chunks are a small part of a small budget, so that one walker
  // cannot take all of it while the others are left with nothing.
  explicit DirectoryBudget(std::uint64_t bytes)
      : left_(bytes), chunk_(ChunkOf(bytes)) {}
  // What a walker takes at a time from a budget of |bytes|.
  static std::uint64_t ChunkOf(std::uint64_t bytes) {
    return std::clamp<std::uint64_t>(bytes / 64, 1, kChunk);
  }
  // Adds to |*allowance| at least |bytes| from the budget; false, once
  // and for all, when the budget cannot give them.
  bool Take(std::uint64_t bytes, std::uint64_t* allowance);
  bool spent() const { return spent_.load(std::memory_order_relaxed); }

 private:
  // What a walker takes from the budget at most at a time.
  static constexpr std::uint64_t kChunk = 16 * 1024;

  std::atomic<std::uint64_t> left_;
  std::uint64_t chunk_;
  std::atomic<bool> spent_{false};
};

// What records of the whole tree would cost, level by level (the root is
// level 0), whatever was recorded.
struct DirectoryCensus {
  std::vector<std::uint64_t> directories;
  std::vector<std::uint64_t> bytes;  // directory records and names
  std::vector<std::uint64_t> owner_bytes;  // entries of their owners' bytes
  std::uint64_t linked_bytes = 0;  // names of files with several links

  void Add(const DirectoryCensus& other);
  // The deepest level at which the records of the whole tree, everything
  // deeper counted in its ancestor at that level, take at most |budget|
  // bytes, for a tree of |owners| owners and groups; 0 (the root alone)
  // when none does.
  std::uint32_t DeepestFitting(std::uint64_t budget,
                               std::uint64_t owners) const;
};

class DirectoryRecorder {
 public:
  // No level limit.
  static constexpr std::uint32_t kAllLevels =
      std::numeric_limits<std::uint32_t>::max();

  // |store|: this walker's number. |groups|: groups are counted too.
  // Directories below |deepest| are not recorded.
  DirectoryRecorder(std::uint32_t store, DirectoryBudget& budget, bool groups,
                    std::uint32_t deepest = kAllLevels)
      : store_(store), budget_(budget), groups_(groups), deepest_(deepest) {}

  // Records the directory about to be listed, at |level| below the root:
  // |parent| is where the directory it lies in went (kNoDirectory for the
  // root), |ordinal| its place among that directory's subdirectories.
  // Returns where its own bytes go: its record, or, below the deepest
  // level or once the budget is spent, |parent|.
  DirectoryRef Enter(DirectoryRef parent, std::uint32_t ordinal,
                     std::string_view name, std::uint32_t level);
  // Adds an entry's bytes to |directory| (as Enter gave it) for the owner
  // and group the walker's tallies numbered |owner| and |group|. A file
  // with several links is added here where the walk counted it
  // (|linked|), and noted with AddLinked at every name.
  void Add(DirectoryRef directory, std::uint32_t owner, std::uint32_t group,
           std::uint64_t bytes, bool linked = false);
  // Notes a name of a file with several links. When the budget has no
  // room the note is dropped, and the merge then places every such file
  // where the walk counted it instead.
  void AddLinked(const LinkedName& linked);

  // Gives up what was recorded, for the merge.
  RecordedPart TakePart() { return std::move(part_); }
  const DirectoryCensus& census() const { return census_; }

 private:
  bool Reserve(std::uint64_t bytes);
  void AddOne(BytesKind kind, DirectoryRef directory, std::uint32_t part_index,
              std::uint64_t bytes);
  void CountOwner(std::size_t kind, std::uint32_t part_index);

  std::uint32_t store_;
  DirectoryBudget& budget_;
  bool groups_;
  std::uint32_t deepest_;
  std::uint64_t allowance_ = 0;  // taken from the budget, not yet used
  RecordedPart part_;

  DirectoryCensus census_;
  std::uint32_t level_ = 0;     // of the directory being listed
  std::uint64_t listing_ = 0;   // its number among those this walker listed
  // Per owner (and group) number: the listing it was last counted in.
  std::vector<std::uint64_t> census_seen_[2];

  // Per owner (and group) number: the entry of the bytes the directory
  // being listed has for it, so each entry costs one look.
  struct Last {
    std::uint32_t directory = ~std::uint32_t{0};
    std::size_t at = 0;
  };
  std::vector<Last> last_[kBytesKinds];
};

}  // namespace ovik

#endif  // OVIK_SCAN_DIRECTORY_RECORDER_H_

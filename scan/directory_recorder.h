// What one walker keeps of the directories it lists, when a scan is asked
// to keep where the bytes are (scan/directory_usage.h): each directory's
// parent, its place among the parent's subdirectories and its name, and
// its own bytes per owner (and per group) where they are not zero. The
// walkers' parts are put together, in walk order, once the walk is over.
//
// Memory comes from a budget all walkers of a scan share. Once it is
// spent no further directory is recorded: a directory met after that
// counts in its nearest recorded ancestor, which is marked as holding
// such directories, so every total stays exact at a coarser grain.
#ifndef OVIK_SCAN_DIRECTORY_RECORDER_H_
#define OVIK_SCAN_DIRECTORY_RECORDER_H_

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <deque>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

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

// The bytes the walkers of one scan may take for their records; shared,
// taken in chunks so that the walkers seldom meet here.
class DirectoryBudget {
 public:
  // Chunks are a small part of a small budget, so that one walker
  // cannot take all of it while the others are left with nothing.
  explicit DirectoryBudget(std::uint64_t bytes)
      : left_(bytes),
        chunk_(std::clamp<std::uint64_t>(bytes / 64, 1, kChunk)) {}
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

class DirectoryRecorder {
 public:
  // What the recorder keeps per directory and per (directory, owner),
  // counted against the budget.
  struct Record {
    DirectoryRef parent;     // kNoDirectory for the root
    std::uint32_t ordinal;   // among the parent's subdirectories
    std::uint32_t name_end;  // in names(); it begins where the last ended
  };
  struct Bytes {
    std::uint32_t directory;  // this store's record
    std::uint32_t part_index;  // the owner's number in the walker's tallies
    std::uint64_t bytes;
  };
  // An occurrence of a file with several links: its bytes are counted
  // once, in the first of its directories in walk order, which is only
  // known once the walk is over.
  struct Linked {
    std::uint64_t device;
    std::uint64_t inode;
    std::uint64_t bytes;
    DirectoryRef directory;
    std::uint32_t owner;  // part indexes
    std::uint32_t group;
  };
  // Which bytes: by owner or by group, and of files with one link, or of
  // files with several counted where the walk counted them.
  enum Kind : std::uint8_t {
    kOwnerBytes,
    kGroupBytes,
    kOwnerLinkedBytes,
    kGroupLinkedBytes,
    kKinds
  };
  // Bytes of a directory that is not the one being listed: a fold
  // target, or one whose record could not take another owner.
  struct HeldKey {
    DirectoryRef directory;
    std::uint32_t part_index;
    Kind kind;
    friend bool operator==(const HeldKey&, const HeldKey&) = default;
  };
  struct HeldKeyHash {
    std::size_t operator()(const HeldKey& key) const;
  };

  // |store|: this walker's number. |groups|: groups are counted too.
  DirectoryRecorder(std::uint32_t store, DirectoryBudget& budget, bool groups)
      : store_(store), budget_(budget), groups_(groups) {}

  // Records the directory about to be listed: |parent| is where the
  // directory it lies in went (kNoDirectory for the root), |ordinal| its
  // place among that directory's subdirectories. Returns where its own
  // bytes go: its record, or, once the budget is spent, |parent|.
  DirectoryRef Enter(DirectoryRef parent, std::uint32_t ordinal,
                     std::string_view name);
  // Adds an entry's bytes to |directory| (as Enter gave it) for the owner
  // and group the walker's tallies numbered |owner| and |group|. A file
  // with several links is added here where the walk counted it
  // (|linked|), and noted with AddLinked at every name.
  void Add(DirectoryRef directory, std::uint32_t owner, std::uint32_t group,
           std::uint64_t bytes, bool linked = false);
  // Notes a name of a file with several links. When the budget has no
  // room the note is dropped, and the merge then places every such file
  // where the walk counted it instead (linked_complete()).
  void AddLinked(const Linked& linked);

  // What was recorded, for the merge.
  std::deque<Record>& records() { return records_; }
  std::deque<char>& names() { return names_; }
  std::deque<Bytes>& bytes(Kind kind) { return bytes_[kind]; }
  std::deque<Linked>& linked() { return linked_; }
  bool linked_complete() const { return linked_complete_; }
  std::unordered_map<HeldKey, std::uint64_t, HeldKeyHash>& held() {
    return held_;
  }
  // The recorded directories that hold directories not recorded.
  std::unordered_set<DirectoryRef>& fold_targets() { return fold_targets_; }
  // Directories not recorded for want of budget.
  std::uint64_t folded() const { return folded_; }

 private:
  bool Reserve(std::uint64_t bytes);
  void AddOne(Kind kind, DirectoryRef directory, std::uint32_t part_index,
              std::uint64_t bytes);

  std::uint32_t store_;
  DirectoryBudget& budget_;
  bool groups_;
  std::uint64_t allowance_ = 0;  // taken from the budget, not yet used

  std::deque<Record> records_;
  std::deque<char> names_;
  std::deque<Bytes> bytes_[kKinds];
  std::deque<Linked> linked_;
  bool linked_complete_ = true;
  std::unordered_map<HeldKey, std::uint64_t, HeldKeyHash> held_;
  std::unordered_set<DirectoryRef> fold_targets_;
  std::uint64_t folded_ = 0;
  // Per owner (and group) number: the entry of bytes_ the directory being
  // listed has for it, so each entry costs one look.
  struct Last {
    std::uint32_t directory = ~std::uint32_t{0};
    std::size_t at = 0;
  };
  std::vector<Last> last_[kKinds];
};

}  // namespace ovik

#endif  // OVIK_SCAN_DIRECTORY_RECORDER_H_

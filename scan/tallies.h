// Bytes per owner as one part of the walk saw them, with the walk
// position where each owner was first met; and the merge that adds such
// parts up and orders the owners as a single walk would have met them.
// A part is what one thread walked; parts walked elsewhere merge the
// same way.
#ifndef OVIK_SCAN_TALLIES_H_
#define OVIK_SCAN_TALLIES_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "scan/ages.h"
#include "scan/owner_id.h"
#include "scan/saturating.h"
#include "scan/walk_position.h"

namespace ovik {

struct OwnerTally {
  std::uint64_t bytes = 0;  // added with SaturatingAdd
  std::uint64_t files = 0;  // entries counted; added with SaturatingAdd
  Ages ages;  // the bytes by the age of the files' times
  WalkPosition first;  // where the owner was first met
  // The owner's number within the part that met it (0, 1, ... in the
  // order the part met its owners), so that what the part keeps per
  // owner elsewhere can refer to it. Not carried over by a merge.
  std::uint32_t part_index = 0;

  // Counts a file of |bytes| last modified and accessed at these times,
  // at |now|.
  void Count(std::uint64_t size, std::int64_t modified, std::int64_t accessed,
             std::int64_t now) {
    bytes = SaturatingAdd(bytes, size);
    files = SaturatingAdd(files, 1);
    ages.Add(modified, accessed, now, size);
  }
};

// One owner of the merged parts, in walk order.
struct MergedOwner {
  const OwnerId* owner = nullptr;
  std::uint64_t bytes = 0;
  std::uint64_t files = 0;
  Ages ages;
};

class Tallies {
 public:
  // Starts a task: a subtree within which the walk's positions only grow,
  // so an owner's first meeting in it is its earliest there. A later task
  // may lie earlier in the walk.
  void StartTask();
  // The tally of |owner| for the entry at |entry| in the listing of the
  // directory at |directory| (WalkPosition's two parts), created there
  // when the owner is new.
  // Called for every counted entry, so kept where it can be inlined.
  OwnerTally& Meet(const OwnerId& owner,
                   const std::vector<std::uint32_t>& directory,
                   std::uint64_t entry) {
    if (last_ != nullptr && owner == last_owner_) {
      return Note(*last_, false, directory, entry);
    }
    auto [it, created] = owners_.try_emplace(owner);
    last_owner_ = owner;
    last_ = &it->second;
    if (created) last_->tally.part_index = next_index_++;
    return Note(*last_, created, directory, entry);
  }

  // Adds a tally from another part: the bytes add up, and the earlier
  // first meeting stays.
  void Add(const OwnerId& owner, OwnerTally tally);
  // Adds every tally of |other|, which is left empty.
  void Merge(Tallies&& other);
  // The tally of an owner the walk has met, to count a file in where the
  // walk met the owner.
  OwnerTally& Met(const OwnerId& owner) { return owners_[owner].tally; }

  // Calls |visit|(owner, tally) for every owner, so the tallies can be
  // sent elsewhere and added there.
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (const auto& [owner, slot] : owners_) visit(owner, slot.tally);
  }

  // The owners ordered by where they were first met. The owners pointed
  // to stay valid while this object lives and is not changed.
  std::vector<MergedOwner> InWalkOrder() const;
  std::size_t size() const { return owners_.size(); }
  // This part's owners by their part_index, before any merge.
  std::vector<OwnerId> ByPartIndex() const;

 private:
  struct Slot {
    OwnerTally tally;
    std::uint64_t task = 0;  // the last task the owner was met in
  };
  // Keeps the earliest position an owner was met at, checked once per
  // task.
  OwnerTally& Note(Slot& slot, bool created,
                   const std::vector<std::uint32_t>& directory,
                   std::uint64_t entry) {
    if (slot.task == task_ && !created) return slot.tally;
    slot.task = task_;
    WalkPosition& first = slot.tally.first;
    if (created || directory < first.directory ||
        (directory == first.directory && entry < first.entry)) {
      first.directory = directory;
      first.entry = entry;
    }
    return slot.tally;
  }
  static void Combine(Slot& into, OwnerTally&& tally);

  std::unordered_map<OwnerId, Slot, OwnerId::Hash> owners_;  // node-based: stable
  std::uint64_t task_ = 0;
  std::uint32_t next_index_ = 0;  // the next new owner's part_index
  // The owner met last: runs of entries of one owner skip the lookup.
  OwnerId last_owner_;
  Slot* last_ = nullptr;
};

}  // namespace ovik

#endif  // OVIK_SCAN_TALLIES_H_

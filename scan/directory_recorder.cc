#include "scan/directory_recorder.h"

#include <algorithm>
#include <limits>

#include "scan/saturating.h"

namespace ovik {
namespace {

// Records are numbered in 32 bits, and so are names' ends.
constexpr std::size_t kMostRecords = std::numeric_limits<std::uint32_t>::max();

// What the bytes of the directories below the deepest level take for one
// owner in their ancestor at that level: an entry beside its record while
// the thread that recorded it walks them, a node of a hash map where
// another thread took over part of them.
constexpr std::uint64_t kFoldedBytesCost = 2 * sizeof(DirectoryBytes);

}  // namespace

bool DirectoryBudget::Take(std::uint64_t bytes, std::uint64_t* allowance) {
  if (spent()) return false;
  std::uint64_t left = left_.load(std::memory_order_relaxed);
  for (;;) {
    if (left < bytes) {
      spent_.store(true, std::memory_order_relaxed);
      return false;
    }
    const std::uint64_t take = std::min(left, std::max(bytes, chunk_));
    if (left_.compare_exchange_weak(left, left - take,
                                    std::memory_order_relaxed)) {
      *allowance += take;
      return true;
    }
  }
}

void DirectoryCensus::Add(const DirectoryCensus& other) {
  auto add = [](std::vector<std::uint64_t>& into,
                const std::vector<std::uint64_t>& from) {
    if (into.size() < from.size()) into.resize(from.size());
    for (std::size_t i = 0; i < from.size(); ++i) {
      into[i] = SaturatingAdd(into[i], from[i]);
    }
  };
  add(directories, other.directories);
  add(bytes, other.bytes);
  add(owner_bytes, other.owner_bytes);
  linked_bytes = SaturatingAdd(linked_bytes, other.linked_bytes);
}

std::uint32_t DirectoryCensus::DeepestFitting(std::uint64_t budget,
                                              std::uint64_t owners) const {
  const std::size_t levels = directories.size();
  auto at = [](const std::vector<std::uint64_t>& v, std::size_t i) {
    return i < v.size() ? v[i] : 0;
  };
  // The owners' bytes of directories below the deepest level go to their
  // ancestor at that level, one entry per ancestor and owner: no more than
  // those below have, nor than the level's directories times the owners.
  std::vector<std::uint64_t> below(levels + 1, 0);
  for (std::size_t i = levels; i-- > 0;) {
    below[i] = SaturatingAdd(below[i + 1],
                             at(owner_bytes, i) / sizeof(DirectoryBytes));
  }
  std::uint64_t recorded = linked_bytes;
  std::uint32_t deepest = 0;
  for (std::size_t level = 0; level < levels; ++level) {
    recorded = SaturatingAdd(recorded, SaturatingAdd(at(bytes, level),
                                                     at(owner_bytes, level)));
    const std::uint64_t most_held = std::min(
        below[level + 1],
        SaturatingMultiply(at(directories, level), std::max<std::uint64_t>(owners, 1)));
    const std::uint64_t held = SaturatingMultiply(most_held, kFoldedBytesCost);
    // Deeper levels cost more in records and less in folded bytes: the
    // deepest that fits, wherever it lies.
    if (SaturatingAdd(recorded, held) <= budget) {
      deepest = static_cast<std::uint32_t>(level);
    }
  }
  return deepest;
}

bool DirectoryRecorder::Reserve(std::uint64_t bytes) {
  if (allowance_ < bytes && !budget_.Take(bytes, &allowance_)) return false;
  allowance_ -= bytes;
  return true;
}

DirectoryRef DirectoryRecorder::Enter(DirectoryRef parent,
                                      std::uint32_t ordinal,
                                      std::string_view name,
                                      std::uint32_t level) {
  const std::uint64_t cost = sizeof(DirectoryRecord) + name.size();
  if (census_.bytes.size() <= level) {
    census_.directories.resize(std::size_t{level} + 1);
    census_.bytes.resize(std::size_t{level} + 1);
    census_.owner_bytes.resize(std::size_t{level} + 1);
  }
  ++census_.directories[level];
  census_.bytes[level] = SaturatingAdd(census_.bytes[level], cost);
  level_ = level;
  ++listing_;
  // The root is always recorded: everything folds into it at worst. Once
  // the budget is spent nothing else is, whatever allowance is left, so a
  // directory recorded always has its parent recorded.
  const bool root = parent == kNoDirectory;
  const bool fits = part_.names.size() + name.size() < kMostRecords &&
                    part_.records.size() < kMostRecords;
  if (!root &&
      (level > deepest_ || budget_.spent() || !fits || !Reserve(cost))) {
    ++part_.folded;
    part_.fold_targets.insert(parent);
    return parent;
  }
  if (root) Reserve(cost);
  part_.names.insert(part_.names.end(), name.begin(), name.end());
  part_.records.push_back(
      {parent, ordinal, static_cast<std::uint32_t>(part_.names.size())});
  return MakeDirectoryRef(store_,
                          static_cast<std::uint32_t>(part_.records.size() - 1));
}

void DirectoryRecorder::CountOwner(std::size_t kind, std::uint32_t part_index) {
  std::vector<std::uint64_t>& seen = census_seen_[kind];
  if (part_index >= seen.size()) seen.resize(std::size_t{part_index} + 1);
  if (seen[part_index] == listing_) return;
  seen[part_index] = listing_;
  std::uint64_t& cost = census_.owner_bytes[level_];
  cost = SaturatingAdd(cost, sizeof(DirectoryBytes));
}

void DirectoryRecorder::Add(DirectoryRef directory, std::uint32_t owner,
                            std::uint32_t group, std::uint64_t bytes,
                            bool linked) {
  if (bytes == 0) return;
  CountOwner(0, owner);
  AddOne(linked ? BytesKind::kOwnerLinked : BytesKind::kOwner, directory,
         owner, bytes);
  if (groups_) {
    CountOwner(1, group);
    AddOne(linked ? BytesKind::kGroupLinked : BytesKind::kGroup, directory,
           group, bytes);
  }
}

void DirectoryRecorder::AddOne(BytesKind kind, DirectoryRef directory,
                               std::uint32_t part_index, std::uint64_t bytes) {
  // The directory being listed is this store's last record; its bytes
  // for one owner are kept in one place.
  if (StoreOf(directory) == store_ &&
      IndexOf(directory) + 1 == part_.records.size()) {
    const std::uint32_t d = IndexOf(directory);
    std::vector<Last>& last = last_[static_cast<std::size_t>(kind)];
    if (part_index >= last.size()) last.resize(std::size_t{part_index} + 1);
    Last& seen = last[part_index];
    std::deque<DirectoryBytes>& of = part_.of(kind);
    if (seen.directory == d) {
      std::uint64_t& total = of[seen.at].bytes;
      total = SaturatingAdd(total, bytes);
      return;
    }
    if (Reserve(sizeof(DirectoryBytes))) {
      seen = {d, of.size()};
      of.push_back({d, part_index, bytes});
      return;
    }
  }
  std::uint64_t& held = part_.held[{directory, part_index, kind}];
  held = SaturatingAdd(held, bytes);
}

void DirectoryRecorder::AddLinked(const LinkedName& linked) {
  census_.linked_bytes =
      SaturatingAdd(census_.linked_bytes, sizeof(LinkedName));
  if (!part_.linked_complete) return;
  if (budget_.spent() || !Reserve(sizeof(LinkedName))) {
    part_.linked_complete = false;
    part_.linked.clear();
    return;
  }
  part_.linked.push_back(linked);
}

}  // namespace ovik

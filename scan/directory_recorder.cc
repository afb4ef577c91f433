#include "scan/directory_recorder.h"

#include <algorithm>
#include <limits>

#include "scan/saturating.h"

namespace ovik {
namespace {

// Records are numbered in 32 bits, and so are names' ends.
constexpr std::size_t kMostRecords = std::numeric_limits<std::uint32_t>::max();

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

std::size_t DirectoryRecorder::HeldKeyHash::operator()(
    const HeldKey& key) const {
  std::uint64_t h = key.directory * 0x9e3779b97f4a7c15ULL;
  h ^= (std::uint64_t{key.part_index} << 3 | key.kind) + (h >> 29);
  return static_cast<std::size_t>(h * 0xbf58476d1ce4e5b9ULL);
}

bool DirectoryRecorder::Reserve(std::uint64_t bytes) {
  if (allowance_ < bytes && !budget_.Take(bytes, &allowance_)) return false;
  allowance_ -= bytes;
  return true;
}

DirectoryRef DirectoryRecorder::Enter(DirectoryRef parent,
                                      std::uint32_t ordinal,
                                      std::string_view name) {
  // The root is always recorded: everything folds into it at worst. Once
  // the budget is spent nothing else is, whatever allowance is left, so a
  // directory recorded always has its parent recorded.
  const bool root = parent == kNoDirectory;
  const std::uint64_t cost = sizeof(Record) + name.size();
  const bool fits = names_.size() + name.size() < kMostRecords &&
                    records_.size() < kMostRecords;
  if (!root && (budget_.spent() || !fits || !Reserve(cost))) {
    ++folded_;
    fold_targets_.insert(parent);
    return parent;
  }
  if (root) Reserve(cost);
  names_.insert(names_.end(), name.begin(), name.end());
  records_.push_back(
      {parent, ordinal, static_cast<std::uint32_t>(names_.size())});
  return MakeDirectoryRef(store_,
                          static_cast<std::uint32_t>(records_.size() - 1));
}

void DirectoryRecorder::Add(DirectoryRef directory, std::uint32_t owner,
                            std::uint32_t group, std::uint64_t bytes,
                            bool linked) {
  if (bytes == 0) return;
  AddOne(linked ? kOwnerLinkedBytes : kOwnerBytes, directory, owner, bytes);
  if (groups_) {
    AddOne(linked ? kGroupLinkedBytes : kGroupBytes, directory, group, bytes);
  }
}

void DirectoryRecorder::AddOne(Kind kind, DirectoryRef directory,
                               std::uint32_t part_index, std::uint64_t bytes) {
  // The directory being listed is this store's last record; its bytes
  // for one owner are kept in one place.
  if (StoreOf(directory) == store_ && IndexOf(directory) + 1 == records_.size()) {
    const std::uint32_t d = IndexOf(directory);
    std::vector<Last>& last = last_[kind];
    if (part_index >= last.size()) last.resize(std::size_t{part_index} + 1);
    Last& seen = last[part_index];
    if (seen.directory == d) {
      std::uint64_t& total = bytes_[kind][seen.at].bytes;
      total = SaturatingAdd(total, bytes);
      return;
    }
    if (Reserve(sizeof(Bytes))) {
      seen = {d, bytes_[kind].size()};
      bytes_[kind].push_back({d, part_index, bytes});
      return;
    }
  }
  std::uint64_t& held = held_[{directory, part_index, kind}];
  held = SaturatingAdd(held, bytes);
}

void DirectoryRecorder::AddLinked(const Linked& linked) {
  if (!linked_complete_) return;
  if (budget_.spent() || !Reserve(sizeof(Linked))) {
    linked_complete_ = false;
    linked_.clear();
    return;
  }
  linked_.push_back(linked);
}

}  // namespace ovik

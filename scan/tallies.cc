#include "scan/tallies.h"

#include <algorithm>
#include <utility>

#include "scan/saturating.h"

namespace ovik {

void Tallies::StartTask() {
  ++task_;
  last_ = nullptr;
}

OwnerTally& Tallies::MeetUnreadable(
    const std::vector<std::uint32_t>& directory, std::uint64_t entry) {
  const bool created = !unreadable_.has_value();
  if (created) {
    unreadable_.emplace();
    unreadable_->tally.part_index = next_index_++;
  }
  return Note(*unreadable_, created, directory, entry);
}

void Tallies::Combine(Slot& into, OwnerTally&& tally) {
  into.tally.bytes = SaturatingAdd(into.tally.bytes, tally.bytes);
  into.tally.files = SaturatingAdd(into.tally.files, tally.files);
  if (tally.first < into.tally.first) into.tally.first = std::move(tally.first);
}

void Tallies::Add(std::string_view owner_key, OwnerTally tally) {
  auto [it, created] = owners_.try_emplace(std::string(owner_key));
  if (created) {
    it->second.tally = std::move(tally);
  } else {
    Combine(it->second, std::move(tally));
  }
}

void Tallies::AddUnreadable(OwnerTally tally) {
  if (!unreadable_.has_value()) {
    unreadable_.emplace();
    unreadable_->tally = std::move(tally);
  } else {
    Combine(*unreadable_, std::move(tally));
  }
}

void Tallies::Merge(Tallies&& other) {
  for (auto& [key, slot] : other.owners_) Add(key, std::move(slot.tally));
  if (other.unreadable_) AddUnreadable(std::move(other.unreadable_->tally));
  other.owners_.clear();
  other.unreadable_.reset();
  other.last_ = nullptr;
  other.next_index_ = 0;
}

void Tallies::AddToMet(std::string_view owner_key, bool unreadable,
                       std::uint64_t bytes) {
  Slot& slot = unreadable ? unreadable_ ? *unreadable_ : unreadable_.emplace()
                          : owners_[std::string(owner_key)];
  slot.tally.bytes = SaturatingAdd(slot.tally.bytes, bytes);
  slot.tally.files = SaturatingAdd(slot.tally.files, 1);
}

std::vector<MergedOwner> Tallies::InWalkOrder() const {
  struct Ordered {
    MergedOwner owner;
    const WalkPosition* first;
  };
  std::vector<Ordered> ordered;
  ordered.reserve(owners_.size() + 1);
  for (const auto& [key, slot] : owners_) {
    ordered.push_back({{key, false, slot.tally.bytes, slot.tally.files},
                       &slot.tally.first});
  }
  if (unreadable_) {
    ordered.push_back(
        {{{}, true, unreadable_->tally.bytes, unreadable_->tally.files},
         &unreadable_->tally.first});
  }
  std::sort(ordered.begin(), ordered.end(),
            [](const Ordered& a, const Ordered& b) { return *a.first < *b.first; });
  std::vector<MergedOwner> owners;
  owners.reserve(ordered.size());
  for (const Ordered& o : ordered) owners.push_back(o.owner);
  return owners;
}

std::vector<PartOwner> Tallies::ByPartIndex() const {
  std::vector<PartOwner> owners(owners_.size() + (unreadable_ ? 1 : 0));
  for (const auto& [key, slot] : owners_) {
    owners[slot.tally.part_index] = {key, false};
  }
  if (unreadable_) owners[unreadable_->tally.part_index] = {{}, true};
  return owners;
}

}  // namespace ovik

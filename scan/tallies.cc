#include "scan/tallies.h"

#include <algorithm>
#include <utility>

#include "scan/saturating.h"

namespace ovik {

void Tallies::StartTask() {
  ++task_;
  last_ = nullptr;
}

void Tallies::Combine(Slot& into, OwnerTally&& tally) {
  into.tally.bytes = SaturatingAdd(into.tally.bytes, tally.bytes);
  into.tally.files = SaturatingAdd(into.tally.files, tally.files);
  into.tally.ages += tally.ages;
  if (tally.first < into.tally.first) into.tally.first = std::move(tally.first);
}

void Tallies::Add(const OwnerId& owner, OwnerTally tally) {
  auto [it, created] = owners_.try_emplace(owner);
  if (created) {
    it->second.tally = std::move(tally);
  } else {
    Combine(it->second, std::move(tally));
  }
}

void Tallies::Merge(Tallies&& other) {
  for (auto& [owner, slot] : other.owners_) Add(owner, std::move(slot.tally));
  other.owners_.clear();
  other.last_ = nullptr;
  other.next_index_ = 0;
}

std::vector<MergedOwner> Tallies::InWalkOrder() const {
  struct Ordered {
    MergedOwner owner;
    const WalkPosition* first;
  };
  std::vector<Ordered> ordered;
  ordered.reserve(owners_.size());
  for (const auto& [owner, slot] : owners_) {
    ordered.push_back({{&owner, slot.tally.bytes, slot.tally.files, slot.tally.ages},
                       &slot.tally.first});
  }
  // Two owners first met at one place (parts that count several owners
  // per entry never do) keep an order of their own.
  std::sort(ordered.begin(), ordered.end(),
            [](const Ordered& a, const Ordered& b) {
              if (*a.first < *b.first) return true;
              if (*b.first < *a.first) return false;
              return *a.owner.owner < *b.owner.owner;
            });
  std::vector<MergedOwner> owners;
  owners.reserve(ordered.size());
  for (const Ordered& o : ordered) owners.push_back(o.owner);
  return owners;
}

std::vector<OwnerId> Tallies::ByPartIndex() const {
  std::vector<OwnerId> owners(owners_.size());
  for (const auto& [owner, slot] : owners_) {
    owners[slot.tally.part_index] = owner;
  }
  return owners;
}

}  // namespace ovik

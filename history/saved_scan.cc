#include "history/saved_scan.h"

#include <algorithm>
#include <array>
#include <map>
#include <utility>

#include "scan/saturating.h"

namespace ovik {
namespace {

constexpr std::array<std::pair<WhoKind, std::string_view>, 4> kKindNames = {{
    {WhoKind::kUid, "uid"},
    {WhoKind::kGid, "gid"},
    {WhoKind::kSid, "sid"},
    {WhoKind::kUnreadable, "unreadable"},
}};

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return c >= '0' && c <= '9';
  });
}

}  // namespace

std::string_view WhoKindName(WhoKind kind) {
  for (const auto& [k, name] : kKindNames) {
    if (k == kind) return name;
  }
  return "unreadable";
}

std::optional<WhoKind> ParseWhoKind(std::string_view name) {
  for (const auto& [kind, n] : kKindNames) {
    if (n == name) return kind;
  }
  return std::nullopt;
}

bool WhoBefore(const Who& a, const Who& b) {
  if (a.kind != b.kind) return a.kind < b.kind;
  // Decimal ids without leading zeros compare by value when the shorter
  // one goes first.
  if (AllDigits(a.id) && AllDigits(b.id) && a.id.size() != b.id.size()) {
    return a.id.size() < b.id.size();
  }
  return a.id < b.id;
}

std::vector<SavedDirectory> SelectNotableDirectories(
    std::vector<SavedDirectory> candidates, std::uint64_t owner_bytes) {
  std::sort(candidates.begin(), candidates.end(),
            [](const SavedDirectory& a, const SavedDirectory& b) {
              if (a.bytes != b.bytes) return a.bytes > b.bytes;
              return a.path < b.path;
            });
  // At least owner_bytes / kNotableShare, rounded up, and never nothing.
  const std::uint64_t least = std::max<std::uint64_t>(
      1, owner_bytes / kNotableShare + (owner_bytes % kNotableShare != 0));
  std::size_t kept = 0;
  while (kept < candidates.size() && kept < kMostNotable &&
         candidates[kept].bytes >= least) {
    ++kept;
  }
  candidates.resize(kept);
  return candidates;
}

std::vector<SavedOwner> CombineSameWho(std::vector<SavedOwner> owners) {
  std::map<std::pair<WhoKind, std::string>, std::size_t> first;
  std::vector<SavedOwner> combined;
  combined.reserve(owners.size());
  for (SavedOwner& owner : owners) {
    const auto [at, is_new] = first.try_emplace(
        std::make_pair(owner.who.kind, owner.who.id), combined.size());
    if (is_new) {
      combined.push_back(std::move(owner));
      continue;
    }
    SavedOwner& into = combined[at->second];
    into.bytes = SaturatingAdd(into.bytes, owner.bytes);
    into.files = SaturatingAdd(into.files, owner.files);
    for (auto member : {&SavedOwner::by_modification, &SavedOwner::by_access}) {
      if (!(into.*member) || !(owner.*member)) continue;
      AgeBuckets& sum = *(into.*member);
      const AgeBuckets& add = *(owner.*member);
      sum.under_30_days = SaturatingAdd(sum.under_30_days, add.under_30_days);
      sum.under_1_year = SaturatingAdd(sum.under_1_year, add.under_1_year);
      sum.older = SaturatingAdd(sum.older, add.older);
    }
    std::map<std::string, SavedDirectory> by_path;
    for (auto* list : {&into.directories, &owner.directories}) {
      for (SavedDirectory& d : *list) {
        auto [entry, added] = by_path.try_emplace(d.path, d);
        if (added) continue;
        entry->second.bytes = SaturatingAdd(entry->second.bytes, d.bytes);
        entry->second.files = entry->second.files && d.files
                                  ? std::optional<std::uint64_t>(SaturatingAdd(
                                        *entry->second.files, *d.files))
                                  : std::nullopt;
      }
    }
    std::vector<SavedDirectory> merged;
    for (auto& [path, d] : by_path) merged.push_back(std::move(d));
    into.directories = SelectNotableDirectories(std::move(merged), into.bytes);
  }
  return combined;
}

}  // namespace ovik

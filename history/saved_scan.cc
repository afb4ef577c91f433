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

namespace {

// |directories| with those of one path added up into one, chosen again.
std::vector<SavedDirectory> MergeByPath(std::vector<SavedDirectory> directories,
                                        std::uint64_t owner_bytes) {
  std::map<std::string, SavedDirectory> by_path;
  for (SavedDirectory& d : directories) {
    auto [entry, added] = by_path.try_emplace(d.path, d);
    if (added) continue;
    SavedDirectory& sum = entry->second;
    sum.bytes = SaturatingAdd(sum.bytes, d.bytes);
    sum.files =
        sum.files && d.files
            ? std::optional<std::uint64_t>(SaturatingAdd(*sum.files, *d.files))
            : std::nullopt;
  }
  std::vector<SavedDirectory> merged;
  merged.reserve(by_path.size());
  for (auto& [path, d] : by_path) merged.push_back(std::move(d));
  return SelectNotableDirectories(std::move(merged), owner_bytes);
}

bool HasPathTwice(const std::vector<SavedDirectory>& directories) {
  std::vector<std::string_view> paths;
  paths.reserve(directories.size());
  for (const SavedDirectory& d : directories) paths.push_back(d.path);
  std::sort(paths.begin(), paths.end());
  return std::adjacent_find(paths.begin(), paths.end()) != paths.end();
}

}  // namespace

std::vector<SavedOwner> CombineSameWho(std::vector<SavedOwner> owners) {
  std::map<std::pair<WhoKind, std::string>, std::size_t> first;
  std::vector<SavedOwner> combined;
  combined.reserve(owners.size());
  for (SavedOwner& owner : owners) {
    const auto [at, is_new] = first.try_emplace(
        std::make_pair(owner.who.kind, owner.who.id), combined.size());
    if (is_new) {
      if (HasPathTwice(owner.directories)) {
        owner.directories =
            MergeByPath(std::move(owner.directories), owner.bytes);
      }
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
    into.directories.insert(into.directories.end(),
                            std::make_move_iterator(owner.directories.begin()),
                            std::make_move_iterator(owner.directories.end()));
    into.directories = MergeByPath(std::move(into.directories), into.bytes);
  }
  return combined;
}

}  // namespace ovik

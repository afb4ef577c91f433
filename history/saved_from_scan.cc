#include "history/saved_from_scan.h"

#include <utility>

#include "scan/owner_directories.h"

namespace ovik {
namespace {

AgeBuckets BucketsOf(const AgeBytes& bytes) {
  return AgeBuckets{bytes.under_30_days, bytes.under_1_year, bytes.older};
}

}  // namespace

void SetFactsFromStats(const ScanStats& stats, ScanFacts* facts) {
  facts->threads = stats.threads;
  facts->complete = IsComplete(stats);
  facts->missing.skipped_directories =
      stats.skipped_directories + stats.unread_table_parts;
  facts->missing.unreadable_entries = stats.unreadable_entries;
  facts->missing.unrecorded_owners = stats.unnamed_owners;
  facts->missing.saturated_totals = stats.saturated_totals;
  facts->total_bytes = stats.bytes;
  facts->total_files = stats.files;
}

std::vector<SavedDirectory> NotableDirectoriesOf(const DirectoryUsage& usage,
                                                 RankedBy by,
                                                 OwnerIndex owner) {
  const OwnerDirectories directories(usage, by, owner);
  const std::uint64_t total = directories.total();
  if (total == 0) return {};
  const std::uint64_t least =
      total / kNotableShare + (total % kNotableShare != 0);
  // Only directories at or above the share are entered: none below one
  // that holds less can hold more.
  std::vector<SavedDirectory> kept;
  std::vector<DirectoryIndex> pending{kRootDirectory};
  while (!pending.empty()) {
    const DirectoryIndex d = pending.back();
    pending.pop_back();
    kept.push_back({usage.Path(d), directories.Bytes(d), std::nullopt});
    for (const DirectoryIndex child : directories.Children(d)) {
      if (directories.Bytes(child) >= least) pending.push_back(child);
    }
  }
  return SelectNotableDirectories(std::move(kept), total);
}

std::vector<SavedOwner> SavedOwnersOf(const Ranking& ranking, RankedBy by,
                                      const DirectoryUsage& usage) {
  const bool directories = by == RankedBy::kOwner && usage.Has(by);
  std::vector<SavedOwner> owners;
  owners.reserve(ranking.size());
  for (const RankedOwner& r : ranking) {
    if (r.bytes == 0 && r.files == 0) continue;
    SavedOwner& owner = owners.emplace_back();
    if (r.id.empty()) {
      owner.who = Who{WhoKind::kUnreadable, {}};
    } else {
      owner.who =
          Who{by == RankedBy::kGroup ? WhoKind::kGid : WhoKind::kUid, r.id};
    }
    owner.name = r.name;
    owner.bytes = r.bytes;
    owner.files = r.files;
    owner.by_modification = BucketsOf(r.ages.modified);
    owner.by_access = BucketsOf(r.ages.accessed);
    if (directories) {
      owner.directories = NotableDirectoriesOf(usage, by, r.index);
    }
  }
  return owners;
}

}  // namespace ovik

// One scan of a directory tree: every entry that is not a directory adds
// its size to its owner's total; the result is the owner table and the
// ranking built from it.
#ifndef OVIK_SCAN_SCAN_H_
#define OVIK_SCAN_SCAN_H_

#include <cstdint>
#include <string_view>

#include "platform/filesystem.h"
#include "scan/directory_usage.h"
#include "scan/owner_names.h"
#include "scan/owner_table.h"
#include "scan/progress.h"
#include "scan/ranked_by.h"
#include "scan/ranking.h"
#include "scan/stats.h"

namespace ovik {

class WalkPeers;  // scan/walk_peers.h

enum class ScanStatus : std::uint8_t {
  kOk,
  kRootNotEnterable,  // nothing was scanned
  kCancelled,
  // Memory ran out somewhere in the scan (the walk, the owner table, the
  // ranking): what was counted is incomplete and is not given.
  kOutOfMemory,
};

struct ScanOptions {
  // 0: one per processor, at least four. Fewer where descriptors are
  // limited, or where the system will not start them (stats.threads tells
  // how many walked).
  unsigned threads = 1;
  ScanProgress* progress = nullptr;
  // Directories each thread keeps open at once (fewer where descriptors
  // are limited); deeper levels are opened again when the walk comes back
  // to them.
  unsigned max_open_directories = 16;
  // Other processes that walk the same tree: each scan gives what it
  // counted to the one that reports, whose result is the whole tree's
  // (the others' results are empty). Null for a scan of its own. Only
  // owners are gathered from other processes: a scan with peers ranks no
  // groups and keeps no directories.
  WalkPeers* peers = nullptr;
  // Ranks the files' groups too (group_table, group_ranking), beside
  // their owners.
  bool groups = false;
  // Keeps where the bytes are: each directory's own bytes per owner (and
  // per group when groups are ranked), in |directories|. At most
  // |directory_budget| bytes go to it: a third to the walk's records,
  // the rest to putting them in walk order once the walk is over. Past
  // that, further directories count in their nearest recorded ancestor.
  // Off, the walk does no more than rank.
  bool keep_directories = false;
  std::uint64_t directory_budget = kDefaultDirectoryBudget;

  static constexpr std::uint64_t kDefaultDirectoryBudget = 64 << 20;
};

// Plain data: nothing in it refers to the file system it came from.
struct ScanResult {
  ScanStatus status = ScanStatus::kOk;
  // Only for kOk are the table and ranking given; they are empty
  // otherwise.
  OwnerTable table;  // in the order the owners were first met
  Ranking ranking;
  // The same for groups, when asked for; not headed by anyone.
  OwnerTable group_table;
  Ranking group_ranking;
  // Where the bytes are, when asked for; its owner indexes are records of
  // |table| (and of |group_table|).
  DirectoryUsage directories;
  // The reasons a ranking may be short (skipped directories, unreadable
  // owners), the threads that did not start and the totals that reached
  // the largest figure, for the hosts to tell.
  ScanStats stats;
  bool ok() const { return status == ScanStatus::kOk; }
  const OwnerTable& table_by(RankedBy by) const {
    return by == RankedBy::kGroup ? group_table : table;
  }
  const Ranking& ranking_by(RankedBy by) const {
    return by == RankedBy::kGroup ? group_ranking : ranking;
  }
};

// Walks the tree below |root_path| and builds the ranking. The table is
// new for every scan and headed by the administrators' record.
ScanResult RunScan(FileSystem& fs, std::string_view root_path,
                   const ScanOptions& options = {});

}  // namespace ovik

#endif  // OVIK_SCAN_SCAN_H_

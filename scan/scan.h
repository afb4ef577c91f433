// One scan of a directory tree: every entry that is not a directory adds
// its size to its owner's total; the result is the owner table and the
// ranking built from it. The scan counts in one of several ways, chosen
// for the volume (scan/count.h): the walk, the walk shared with other
// processes, or the volume's own table of its files.
#ifndef OVIK_SCAN_SCAN_H_
#define OVIK_SCAN_SCAN_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/filesystem.h"
#include "platform/status.h"
#include "platform/volume_table.h"
#include "scan/ages.h"
#include "scan/directory_usage.h"
#include "scan/owner_names.h"
#include "scan/owner_table.h"
#include "scan/progress.h"
#include "scan/ranked_by.h"
#include "scan/ranking.h"
#include "scan/stats.h"

namespace ovik {

class WalkPeers;  // scan/walk_peers.h

// How the user asks a scan to count.
enum class CountMethod : std::uint8_t {
  kAuto,    // the volume's table where it can serve, else the walk
  kTables,  // the volume's table, or nothing
  kWalk,    // the walk
};

struct ScanOptions {
  // 0: one per processor, at least four. Fewer where descriptors are
  // limited, or where the system will not start them (stats.threads tells
  // how many counted).
  unsigned threads = 0;
  ScanProgress* progress = nullptr;
  CountMethod method = CountMethod::kAuto;
  // The volume's table, where the caller has opened it already for this
  // root (ChooseTable) and it is to count; else the scan chooses.
  std::shared_ptr<VolumeTable> table{};
  // Directories each thread of a walk keeps open at once (fewer where
  // descriptors are limited); deeper levels are opened again when the
  // walk comes back to them.
  unsigned max_open_directories = 16;
  // Other processes that walk the same tree: each scan gives what it
  // counted to the one that reports, whose result is the whole tree's
  // (the others' results are empty). Null for a scan of its own. Only
  // owners are gathered from other processes: a scan with peers ranks no
  // groups and keeps no directories, and always walks.
  WalkPeers* peers = nullptr;
  // Ranks the files' groups too (group_table, group_ranking), beside
  // their owners.
  bool groups = false;
  // The owners' bytes are counted by the age of their files' times as at
  // |now| (seconds since 1970; 0: when the scan starts). With
  // |older_than|, only files whose time (by |age_by|) is at least that
  // many seconds old are counted at all.
  std::int64_t now = 0;
  AgeBasis age_by = AgeBasis::kModified;
  std::optional<std::int64_t> older_than{};
  // Keeps where the bytes are: each directory's own bytes per owner (and
  // per group when groups are ranked), in |directories|. Only a walk
  // knows directories. At most |directory_budget| bytes go to it: a third
  // to the walk's records, the rest to putting them in walk order once
  // the walk is over. A tree whose records do not fit is walked again
  // with the directories below the deepest level that fits counted in
  // their ancestor at that level.
  bool keep_directories = false;
  std::uint64_t directory_budget = kDefaultDirectoryBudget;

  static constexpr std::uint64_t kDefaultDirectoryBudget = 64 << 20;
};

// Plain data: nothing in it refers to the file system it came from.
struct ScanResult {
  // ok when the scan finished; kCancelled; kNoMemory when memory ran
  // out anywhere (what was counted is incomplete and is not given);
  // kUnsupported when tables were asked for and cannot serve (see
  // |tables_refused|); otherwise why the root could not be read.
  Status status;
  // Only when ok are the tables, rankings and directories given; they are
  // empty otherwise.
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
  // How it counted: "walk", or the table read ("ext4 inode tables", ...).
  std::string method = "walk";
  // Why the volume's table did not serve, when it could have been asked.
  std::string tables_refused;

  bool ok() const { return status.ok(); }
  bool cancelled() const { return status.code() == StatusCode::kCancelled; }
  bool out_of_memory() const {
    return status.code() == StatusCode::kNoMemory;
  }
  const OwnerTable& table_by(RankedBy by) const {
    return by == RankedBy::kGroup ? group_table : table;
  }
  const Ranking& ranking_by(RankedBy by) const {
    return by == RankedBy::kGroup ? group_ranking : ranking;
  }
};

// Whether the volume's own table can count |root_path| as |options| ask:
// the table to read, or why not (and then the walk counts, unless tables
// alone were asked for).
TableOpenResult ChooseTable(FileSystem& fs, std::string_view root_path,
                            const ScanOptions& options);

// Counts the tree below |root_path| and builds the ranking. The table is
// new for every scan and headed by the administrators' record.
ScanResult RunScan(FileSystem& fs, std::string_view root_path,
                   const ScanOptions& options = {});

}  // namespace ovik

#endif  // OVIK_SCAN_SCAN_H_

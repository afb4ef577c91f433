#include "scan/scan.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <new>
#include <thread>
#include <utility>
#include <vector>

#include "scan/counter.h"
#include "scan/directory_merge.h"
#include "scan/saturating.h"
#include "scan/tallies.h"

namespace ovik {
namespace {

// Handles a thread of a walk holds beside the directories it keeps open:
// its root, the directory it came up from, a subdirectory being opened,
// and the directory of work handed to it.
constexpr std::uint64_t kHandlesBesideOpenDirectories = 4;
constexpr unsigned kFewestOpenDirectories = 2;

// At least four threads by default: with a cold cache the walk waits on
// the disk, and more requests in flight pay off even on two processors.
// Where descriptors are limited, each thread gets an equal share of what
// is left, and there are no more threads than can have a useful share.
void PlanThreads(FileSystem& fs, const ScanOptions& options,
                 CountRequest* request) {
  request->threads = options.threads != 0
                         ? options.threads
                         : std::max(4u, std::thread::hardware_concurrency());
  request->max_open_directories =
      std::max(kFewestOpenDirectories, options.max_open_directories);
  std::uint64_t budget = 0;
  if (!fs.DirectoryBudget(&budget).ok()) return;
  const std::uint64_t fewest =
      kHandlesBesideOpenDirectories + kFewestOpenDirectories;
  request->threads = static_cast<unsigned>(std::min<std::uint64_t>(
      request->threads, std::max<std::uint64_t>(1, budget / fewest)));
  const std::uint64_t share = budget / request->threads;
  const std::uint64_t open = share > kHandlesBesideOpenDirectories
                                 ? share - kHandlesBesideOpenDirectories
                                 : 0;
  request->max_open_directories =
      static_cast<unsigned>(std::clamp<std::uint64_t>(
          open, kFewestOpenDirectories, request->max_open_directories));
}

std::int64_t NowSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// Where each owner a part numbered went in the table.
std::vector<std::optional<OwnerIndex>> IndexesOf(
    const std::vector<OwnerId>& part_owners, const OwnerIndexes& indexes) {
  std::vector<std::optional<OwnerIndex>> found;
  found.reserve(part_owners.size());
  for (const OwnerId& owner : part_owners) {
    const auto it = indexes.find(owner);
    found.push_back(it == indexes.end() ? std::nullopt
                                        : std::optional(it->second));
  }
  return found;
}

// Adds up the parts' tallies into the tables and rankings, and their
// directory records into the result's directories.
void Gather(FileSystem& fs, std::vector<CountedPart> parts, bool groups,
            ScanResult* result) {
  const bool directories = !parts.empty() && parts.front().directories;
  Tallies owners, group_tallies;
  std::vector<DirectoryPart> directory_parts(directories ? parts.size() : 0);
  std::vector<std::vector<OwnerId>> owner_numbers(directory_parts.size());
  std::vector<std::vector<OwnerId>> group_numbers(directory_parts.size());
  for (std::size_t p = 0; p < parts.size(); ++p) {
    CountedPart& part = parts[p];
    result->stats += part.stats;
    if (directories) {
      owner_numbers[p] = part.owners.ByPartIndex();
      if (groups) group_numbers[p] = part.groups.ByPartIndex();
      directory_parts[p].recorded = std::move(*part.directories);
    }
    owners.Merge(std::move(part.owners));
    if (groups) group_tallies.Merge(std::move(part.groups));
  }
  parts.clear();
  OwnerIndexes owner_indexes, group_indexes;
  RecordOwners(fs, owners, &result->table, &result->stats, &owner_indexes);
  result->ranking = BuildRanking(result->table);
  if (groups) {
    result->group_table = OwnerTable(fs.name_folder());
    RecordOwners(fs, group_tallies, &result->group_table, &result->stats,
                 &group_indexes);
    result->group_ranking = BuildRanking(result->group_table);
  }
  if (directories) {
    for (std::size_t p = 0; p < directory_parts.size(); ++p) {
      directory_parts[p].owners = IndexesOf(owner_numbers[p], owner_indexes);
      directory_parts[p].groups = IndexesOf(group_numbers[p], group_indexes);
    }
    result->directories =
        MergeDirectories(std::move(directory_parts), groups);
  }
}

// The scan itself; RunScan turns running out of memory anywhere in it
// into kNoMemory.
void Scan(FileSystem& fs, std::string_view root_path,
          const ScanOptions& options, ScanResult* result) {
  result->table = OwnerTable(fs.name_folder());
  const OwnerId administrators = OwnerId::Account(fs.AdministratorsKey());
  std::string administrators_id;
  if (!fs.OwnerKeyText(administrators.key(), &administrators_id).ok()) {
    administrators_id.clear();
  }
  result->table.SeedOwnerTable(administrators, fs.AdministratorsName(),
                               administrators_id);

  CountRequest request{.fs = fs, .root = std::string(root_path)};
  request.progress = options.progress;
  request.groups = options.groups && options.peers == nullptr;
  request.ages.now = options.now != 0 ? options.now : NowSeconds();
  request.ages.basis = options.age_by;
  request.ages.older_than = options.older_than;
  request.keep_directories =
      options.keep_directories && options.peers == nullptr;
  // Putting the records in walk order takes about twice what they take
  // (scan/directory_merge.cc), so the walk has a third of the budget.
  // Records are numbered in 32 bits: the budget keeps them well below.
  request.directory_budget = std::min<std::uint64_t>(
      options.directory_budget / 3, std::uint64_t{1} << 31);
  PlanThreads(fs, options, &request);

  std::unique_ptr<Counter> counter;
  if (options.peers != nullptr) {
    counter = MakePeerWalkCounter(*options.peers);
  } else if (options.table && options.method != CountMethod::kWalk) {
    result->method = options.table->Description();
    counter = MakeTableCounter(options.table);
  } else if (options.method != CountMethod::kWalk) {
    TableOpenResult table = ChooseTable(fs, root_path, options);
    if (table.table) {
      result->method = table.table->Description();
      counter = MakeTableCounter(std::move(table.table));
    } else {
      result->tables_refused = std::move(table.reason);
      if (options.method == CountMethod::kTables) {
        result->status = Status(StatusCode::kUnsupported);
        return;
      }
    }
  }
  if (!counter) counter = MakeWalkCounter();

  Counted counted = counter->Count(request);
  result->status = counted.status;
  if (!counted.reports || !result->ok()) return;
  Gather(fs, std::move(counted.parts), request.groups, result);
  result->stats.threads = counted.threads;
  result->stats.threads_not_started = counted.threads_not_started;
  for (const OwnerTable* table : {&result->table, &result->group_table}) {
    for (const OwnerRecord& record : table->records()) {
      if (record.total == kMaxTotal) ++result->stats.saturated_totals;
    }
  }
}

}  // namespace

TableOpenResult ChooseTable(FileSystem& fs, std::string_view root_path,
                            const ScanOptions& options) {
  TableOpenResult refused;
  refused.refusal = TableRefusal::kNoTable;
  if (options.peers != nullptr) {
    refused.reason = "a walk shared with other processes lists directories";
  } else if (options.keep_directories) {
    refused.reason =
        "where the bytes are is known only from a walk of the directories";
  } else if (options.method == CountMethod::kWalk) {
    refused.reason = "the walk was asked for";
  } else {
    return fs.OpenTable(root_path);
  }
  return refused;
}

ScanResult RunScan(FileSystem& fs, std::string_view root_path,
                   const ScanOptions& options) {
  ScanResult result;
  try {
    Scan(fs, root_path, options, &result);
  } catch (const std::bad_alloc&) {
    result.status = Status(StatusCode::kNoMemory);
  }
  if (!result.ok()) {
    // Nothing of a scan that did not finish may pass for a ranking.
    result.table = OwnerTable();
    result.ranking = Ranking();
    result.group_table = OwnerTable();
    result.group_ranking = Ranking();
    result.directories = DirectoryUsage();
  }
  return result;
}

}  // namespace ovik

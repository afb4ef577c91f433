#include "scan/scan.h"

#include <algorithm>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "scan/directory_merge.h"
#include "scan/identity_set.h"
#include "scan/saturating.h"
#include "scan/tallies.h"
#include "scan/walk_peers.h"
#include "scan/walker.h"
#include "scan/work_queue.h"

namespace ovik {
namespace {

// Handles a thread holds beside the directories it keeps open: its root,
// the directory it came up from, a subdirectory being opened, and the
// directory of work handed to it.
constexpr std::uint64_t kHandlesBesideOpenDirectories = 4;
constexpr unsigned kFewestOpenDirectories = 2;

struct ThreadPlan {
  unsigned threads;
  unsigned open_directories;  // per thread
};

// At least four threads by default: with a cold cache the walk waits on
// the disk, and more requests in flight pay off even on two processors.
// Where descriptors are limited, each thread gets an equal share of what
// is left, and there are no more threads than can have a useful share.
ThreadPlan PlanThreads(FileSystem& fs, const ScanOptions& options) {
  ThreadPlan plan;
  plan.threads = options.threads != 0
                     ? options.threads
                     : std::max(4u, std::thread::hardware_concurrency());
  plan.open_directories =
      std::max(kFewestOpenDirectories, options.max_open_directories);
  std::uint64_t budget = 0;
  if (!fs.DirectoryBudget(&budget).ok()) return plan;
  const std::uint64_t fewest =
      kHandlesBesideOpenDirectories + kFewestOpenDirectories;
  plan.threads = static_cast<unsigned>(std::min<std::uint64_t>(
      plan.threads, std::max<std::uint64_t>(1, budget / fewest)));
  const std::uint64_t share = budget / plan.threads;
  const std::uint64_t open = share > kHandlesBesideOpenDirectories
                                 ? share - kHandlesBesideOpenDirectories
                                 : 0;
  plan.open_directories = static_cast<unsigned>(std::clamp<std::uint64_t>(
      open, kFewestOpenDirectories, plan.open_directories));
  return plan;
}

// Starts a thread for each of |walkers|, which takes its work from the
// queue. Those the system will not start are done without, and counted in
// |stats|.
void StartWalkers(WalkContext& context, const std::vector<Walker*>& walkers,
                  std::vector<std::thread>* pool, ScanStats* stats) {
  pool->reserve(walkers.size());
  for (Walker* w : walkers) {
    if (!context.out_of_memory.load()) {
      try {
        pool->emplace_back([&context, w] {
          Task task;
          if (context.queue.Take(&task)) w->Run(std::move(task));
        });
        continue;
      } catch (const std::system_error&) {
        ++stats->threads_not_started;
      } catch (const std::bad_alloc&) {
        context.out_of_memory.store(true);
      }
    }
    w->CloseRoot();
    context.queue.Withdraw();
  }
}

// Walks the whole tree with up to |threads| threads, or this process's
// share of it with |peers|; false when the root cannot be opened. The
// walkers keep what they counted.
bool Walk(WalkContext& context, unsigned threads,
          std::vector<std::unique_ptr<Walker>>* walkers, ScanStats* stats,
          WalkPeers* peers) {
  for (unsigned t = 0; t < threads; ++t) {
    walkers->push_back(std::make_unique<Walker>(context, t));
  }
  // The first thread's root decides whether the scan can start at all.
  Walker& first = *(*walkers)[0];
  if (!first.OpenRoot()) {
    if (peers == nullptr) return false;
    // Still a peer until the walk is over, with no work of its own.
    context.queue.SetThreadCount(0);
    context.queue.KeepOpen();
    peers->Serve(context.queue, false);
    return false;
  }
  // A thread that cannot open the root (out of descriptors, say) stays
  // out rather than lose the subtrees it would take.
  std::vector<Walker*> helpers;
  for (unsigned t = 1; t < threads; ++t) {
    if ((*walkers)[t]->OpenRootFrom(first)) helpers.push_back((*walkers)[t].get());
  }
  std::vector<std::thread> pool;
  if (peers == nullptr) {
    context.queue.SetThreadCount(static_cast<unsigned>(helpers.size()) + 1);
    StartWalkers(context, helpers, &pool, stats);
    stats->threads = static_cast<unsigned>(pool.size()) + 1;
    first.Run(Task{});
  } else {
    // Every walker on a thread of its own; this one serves the peers.
    helpers.insert(helpers.begin(), &first);
    context.queue.SetThreadCount(static_cast<unsigned>(helpers.size()));
    context.queue.KeepOpen();
    if (peers->StartsAtRoot()) context.queue.Share(Task{});
    StartWalkers(context, helpers, &pool, stats);
    stats->threads = static_cast<unsigned>(pool.size());
    peers->Serve(context.queue, !pool.empty());
  }
  for (std::thread& t : pool) t.join();
  return true;
}

// Each owner of a part's tallies by its part_index, as a key of its own
// (the tallies' keys go with their merge).
std::vector<std::optional<std::string>> PartKeys(const Tallies& tallies) {
  std::vector<std::optional<std::string>> keys;
  for (const PartOwner& owner : tallies.ByPartIndex()) {
    keys.push_back(owner.unreadable ? std::nullopt
                                    : std::optional<std::string>(owner.key));
  }
  return keys;
}

std::vector<std::optional<OwnerIndex>> PartIndexes(
    const std::vector<std::optional<std::string>>& keys,
    const OwnerIndexes& indexes) {
  std::vector<std::optional<OwnerIndex>> found;
  found.reserve(keys.size());
  for (const auto& key : keys) {
    found.push_back(indexes.Of(key ? PartOwner{*key, false} : PartOwner{{}, true}));
  }
  return found;
}

// Adds up the walkers' tallies into the tables and rankings, and their
// directory records into the result's directories. False when memory
// ran out.
bool Gather(FileSystem& fs, std::vector<std::unique_ptr<Walker>>& walkers,
            bool groups, ScanResult* result) {
  Tallies owners, group_tallies;
  struct PartKeysOf {
    std::vector<std::optional<std::string>> owners, groups;
  };
  std::vector<PartKeysOf> keys(walkers.size());
  for (std::size_t w = 0; w < walkers.size(); ++w) {
    Walker& walker = *walkers[w];
    result->stats += walker.stats();
    if (walker.recorder() != nullptr) {
      keys[w].owners = PartKeys(walker.tallies());
      if (groups) keys[w].groups = PartKeys(*walker.group_tallies());
    }
    owners.Merge(std::move(walker.tallies()));
    if (groups) group_tallies.Merge(std::move(*walker.group_tallies()));
  }
  OwnerIndexes owner_indexes, group_indexes;
  if (!RecordOwners(fs, owners, &result->table, &result->stats,
                    RankedBy::kOwner, &owner_indexes)) {
    return false;
  }
  result->ranking = BuildRanking(result->table);
  if (groups) {
    result->group_table = OwnerTable(fs.name_folder());
    if (!RecordOwners(fs, group_tallies, &result->group_table, &result->stats,
                      RankedBy::kGroup, &group_indexes)) {
      return false;
    }
    result->group_ranking = BuildRanking(result->group_table);
  }
  if (walkers.front()->recorder() != nullptr) {
    std::vector<DirectoryPart> parts(walkers.size());
    for (std::size_t w = 0; w < walkers.size(); ++w) {
      parts[w].recorder = walkers[w]->recorder();
      parts[w].owners = PartIndexes(keys[w].owners, owner_indexes);
      parts[w].groups = PartIndexes(keys[w].groups, group_indexes);
    }
    result->directories = MergeDirectories(parts, groups);
  }
  return true;
}

// The walkers' counts handed to |peers|: on the process that reports,
// the whole walk's, owners only, in |result| with the walk's |status|;
// elsewhere nothing. False when memory ran out.
bool GatherWithPeers(FileSystem& fs,
                     std::vector<std::unique_ptr<Walker>>& walkers,
                     WalkPeers& peers, ScanStatus status, ScanResult* result) {
  WalkPart part;
  part.status = status;
  part.stats = result->stats;
  for (auto& w : walkers) {
    part.stats += w->stats();
    part.tallies.Merge(std::move(w->tallies()));
    part.links.Merge(std::move(w->links()));
  }
  walkers.clear();
  if (!peers.Gather(&part)) return true;
  result->status = part.status;
  result->stats = part.stats;
  if (!result->ok()) return true;
  part.links.CountOnce(&part.tallies, &result->stats);
  if (!RecordOwners(fs, part.tallies, &result->table, &result->stats)) {
    return false;
  }
  result->ranking = BuildRanking(result->table);
  return true;
}

// The scan itself; RunScan turns running out of memory anywhere in it
// into kOutOfMemory.
void Scan(FileSystem& fs, std::string_view root_path,
          const ScanOptions& options, ScanResult* result) {
  result->table = OwnerTable(fs.name_folder());
  if (!result->table.SeedOwnerTable(fs.AdministratorsName())) {
    result->status = ScanStatus::kOutOfMemory;
    return;
  }

  const ThreadPlan plan = PlanThreads(fs, options);
  WorkQueue queue(plan.threads);
  IdentitySet links;
  IdentitySet directories;
  // Putting the records in walk order takes about twice what they take
  // (scan/directory_merge.cc), so the walk has a third of the budget.
  // Records are numbered in 32 bits: the budget keeps them well below.
  DirectoryBudget budget(std::min<std::uint64_t>(options.directory_budget / 3,
                                                 std::uint64_t{1} << 31));
  WalkContext context{fs,          std::string(root_path), queue, links,
                      directories, options.progress,
                      plan.open_directories};
  context.defer_links = options.peers != nullptr;
  context.groups = options.groups && !context.defer_links;
  if (options.keep_directories && !context.defer_links) {
    context.directory_budget = &budget;
  }
  std::vector<std::unique_ptr<Walker>> walkers;
  ScanStatus status = ScanStatus::kOk;
  if (!Walk(context, plan.threads, &walkers, &result->stats, options.peers)) {
    status = ScanStatus::kRootNotEnterable;
  } else if (context.out_of_memory.load()) {
    status = ScanStatus::kOutOfMemory;
  } else if (context.cancelled()) {
    status = ScanStatus::kCancelled;
  }
  if (options.peers != nullptr) {
    // Every process hands its part over, whatever became of its walk.
    if (!GatherWithPeers(fs, walkers, *options.peers, status, result)) {
      result->status = ScanStatus::kOutOfMemory;
      return;
    }
  } else if (status != ScanStatus::kOk) {
    result->status = status;
    return;
  } else if (!Gather(fs, walkers, options.groups, result)) {
    result->status = ScanStatus::kOutOfMemory;
    return;
  }
  walkers.clear();
  for (const OwnerTable* table : {&result->table, &result->group_table}) {
    for (const OwnerRecord& record : table->records()) {
      if (record.total == kMaxTotal) ++result->stats.saturated_totals;
    }
  }
}

}  // namespace

ScanResult RunScan(FileSystem& fs, std::string_view root_path,
                   const ScanOptions& options) {
  ScanResult result;
  try {
    Scan(fs, root_path, options, &result);
  } catch (const std::bad_alloc&) {
    result.status = ScanStatus::kOutOfMemory;
  }
  if (result.status != ScanStatus::kOk) {
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

#include "scan/scan.h"

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include "scan/identity_set.h"
#include "scan/tallies.h"
#include "scan/walker.h"
#include "scan/work_queue.h"

namespace ovik {
namespace {

// At least four: with a cold cache the walk waits on the disk, and more
// requests in flight pay off even on two processors.
unsigned ThreadCount(unsigned asked) {
  return asked != 0 ? asked
                    : std::max(4u, std::thread::hardware_concurrency());
}

// Walks the whole tree with up to |threads| threads; false when the root
// cannot be opened. The walkers keep what they counted.
bool Walk(WalkContext& context, unsigned threads,
          std::vector<std::unique_ptr<Walker>>* walkers) {
  for (unsigned t = 0; t < threads; ++t) {
    walkers->push_back(std::make_unique<Walker>(context));
  }
  // The first thread's root decides whether the scan can start at all.
  if (!(*walkers)[0]->OpenRoot()) return false;
  // A thread that cannot open the root (out of descriptors, say) stays
  // out rather than lose the subtrees it would take.
  std::vector<Walker*> helpers;
  for (unsigned t = 1; t < threads; ++t) {
    if ((*walkers)[t]->OpenRoot()) helpers.push_back((*walkers)[t].get());
  }
  context.queue.SetThreadCount(static_cast<unsigned>(helpers.size()) + 1);

  std::vector<std::thread> pool;
  for (Walker* w : helpers) {
    pool.emplace_back([&context, w] {
      Task task;
      if (context.queue.Take(&task)) w->Run(std::move(task));
    });
  }
  (*walkers)[0]->Run(Task{});
  for (std::thread& t : pool) t.join();
  return true;
}

}  // namespace

ScanResult RunScan(FileSystem& fs, std::string_view root_path,
                   const ScanOptions& options) {
  ScanResult result;
  result.table = OwnerTable(fs.name_folder());
  if (!result.table.SeedOwnerTable(fs.AdministratorsName())) {
    result.status = ScanStatus::kOutOfMemory;
    return result;
  }

  const unsigned threads = ThreadCount(options.threads);
  WorkQueue queue(threads);
  IdentitySet links;
  IdentitySet directories;
  WalkContext context{fs,          std::string(root_path), queue, links,
                      directories, options.progress,
                      options.max_open_directories};
  std::vector<std::unique_ptr<Walker>> walkers;
  if (!Walk(context, threads, &walkers)) {
    result.status = ScanStatus::kRootNotEnterable;
    return result;
  }
  if (context.cancelled()) {
    result.status = ScanStatus::kCancelled;
    return result;
  }

  Tallies tallies;
  for (auto& w : walkers) {
    result.stats += w->stats();
    tallies.Merge(std::move(w->tallies()));
  }
  RecordOwners(fs, tallies, &result.table, &result.stats);
  result.ranking = BuildRanking(result.table);
  return result;
}

}  // namespace ovik

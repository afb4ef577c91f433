// The walk: every directory listed, on several threads sharing a queue of
// work.
#include <algorithm>
#include <memory>

#include "scan/counter.h"
#include "scan/directory_recorder.h"
#include "scan/identity_set.h"
#include "scan/saturating.h"
#include "scan/walk_crew.h"
#include "scan/walker.h"
#include "scan/work_queue.h"

namespace ovik {
namespace {

class WalkCounter : public Counter {
 public:
  Counted Count(const CountRequest& request) override {
    DirectoryCensus census;
    bool spent = false;
    Counted counted =
        Walk(request, DirectoryRecorder::kAllLevels, &census, &spent);
    if (counted.status.ok() && spent) {
      // How many owners and groups the tree has, whoever met them.
      Tallies owners, groups;
      for (CountedPart& part : counted.parts) {
        owners.Merge(std::move(part.owners));
        groups.Merge(std::move(part.groups));
      }
      counted.parts.clear();
      // The records did not fit, and which directories lost theirs
      // depended on which thread met them first. Walked again, the tree
      // is recorded down to the deepest level that fits, whoever walks it.
      if (ScanProgress* p = request.progress) {
        p->files.store(0);
        p->bytes.store(0);
        p->directories.store(0);
      }
      // The census says what the records take; the budget, doubled, only
      // guards against a tree that grew meanwhile, and the threads' share
      // of it cannot decide which directories fold.
      CountRequest again = request;
      again.directory_budget = SaturatingAdd(request.directory_budget,
                                             request.directory_budget);
      counted = Walk(again,
                     census.DeepestFitting(request.directory_budget,
                                            owners.size() + groups.size()),
                     nullptr, &spent);
    }
    return counted;
  }

 private:
  // One walk with directories below |deepest| counted in their ancestor
  // there. Fills |census| (when given) with what records of every level
  // would cost, and |spent| with whether the records' budget ran out.
  static Counted Walk(const CountRequest& request, std::uint32_t deepest,
                      DirectoryCensus* census, bool* spent) {
    WorkQueue queue(request.threads);
    IdentitySet links;
    IdentitySet directories;
    DirectoryBudget budget(request.directory_budget);
    WalkContext context{.fs = request.fs,
                        .root = request.root,
                        .queue = queue,
                        .links = links,
                        .directories = directories,
                        .progress = request.progress,
                        .max_open_directories = request.max_open_directories,
                        .groups = request.groups,
                        .ages = request.ages,
                        .directory_budget =
                            request.keep_directories ? &budget : nullptr,
                        .deepest_recorded = deepest};
    Counted counted;
    WalkCrew crew(context, request.threads);
    unsigned ready = 0;
    counted.status = crew.OpenRoots(&ready);
    if (!counted.status.ok()) return counted;
    queue.SetThreadCount(ready);
    crew.Start(/*first_on_caller=*/true);
    counted.threads = crew.started() + 1;
    counted.threads_not_started = crew.not_started();
    crew.first().Run(Task{});
    crew.Join();
    counted.status = WalkOutcome(context);
    if (!counted.status.ok()) return counted;
    if (census != nullptr) *census = crew.Census();
    *spent = budget.spent();
    counted.parts = crew.TakeParts();
    return counted;
  }
};

}  // namespace

std::unique_ptr<Counter> MakeWalkCounter() {
  return std::make_unique<WalkCounter>();
}

}  // namespace ovik

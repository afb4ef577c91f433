// The walk shared with other processes: this process's walkers take work
// from its queue, which the peers fill and drain; at the end each process
// hands what it counted to the one that reports.
#include <memory>
#include <utility>

#include "scan/counter.h"
#include "scan/identity_set.h"
#include "scan/walk_crew.h"
#include "scan/walk_peers.h"
#include "scan/walker.h"
#include "scan/work_queue.h"

namespace ovik {
namespace {

class PeerWalkCounter : public Counter {
 public:
  explicit PeerWalkCounter(WalkPeers& peers) : peers_(peers) {}

  Counted Count(const CountRequest& request) override {
    WorkQueue queue(request.threads);
    IdentitySet links;
    IdentitySet directories;
    WalkContext context{.fs = request.fs,
                        .root = request.root,
                        .queue = queue,
                        .links = links,
                        .directories = directories,
                        .progress = request.progress,
                        .max_open_directories = request.max_open_directories,
                        .defer_links = true,
                        .ages = request.ages};
    WalkPart part;
    {
      WalkCrew crew(context, request.threads);
      unsigned ready = 0;
      part.status = crew.OpenRoots(&ready);
      // Every walker on a thread of its own; this one serves the peers.
      // A process that cannot open the root stays a peer until the walk
      // is over, with no work of its own.
      queue.SetThreadCount(part.status.ok() ? ready : 0);
      queue.KeepOpen();
      if (part.status.ok()) {
        if (peers_.StartsAtRoot()) queue.Share(Task{});
        crew.Start(/*first_on_caller=*/false);
        part.stats.threads = crew.started();
        part.stats.threads_not_started = crew.not_started();
      }
      peers_.Serve(queue, crew.started() != 0);
      crew.Join();
      if (part.status.ok()) part.status = WalkOutcome(context);
      for (CountedPart& p : crew.TakeParts()) {
        part.stats += p.stats;
        part.tallies.Merge(std::move(p.owners));
      }
      part.links = crew.TakeLinks();
    }
    // Every process hands its part over, whatever became of its walk.
    Counted counted;
    if (!peers_.Gather(&part)) {
      counted.reports = false;
      return counted;
    }
    counted.status = part.status;
    counted.threads = part.stats.threads;
    counted.threads_not_started = part.stats.threads_not_started;
    if (!counted.status.ok()) return counted;
    CountedPart whole;
    whole.stats = part.stats;
    part.links.CountOnce(&part.tallies, &whole.stats, request.ages.now);
    whole.owners = std::move(part.tallies);
    counted.parts.push_back(std::move(whole));
    return counted;
  }

 private:
  WalkPeers& peers_;
};

}  // namespace

std::unique_ptr<Counter> MakePeerWalkCounter(WalkPeers& peers) {
  return std::make_unique<PeerWalkCounter>(peers);
}

}  // namespace ovik

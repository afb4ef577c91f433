// The walkers of one walk in one process, and the threads they run on.
#ifndef OVIK_SCAN_WALK_CREW_H_
#define OVIK_SCAN_WALK_CREW_H_

#include <memory>
#include <thread>
#include <vector>

#include "platform/status.h"
#include "scan/counter.h"
#include "scan/directory_recorder.h"
#include "scan/link_ledger.h"
#include "scan/walker.h"

namespace ovik {

class WalkCrew {
 public:
  WalkCrew(WalkContext& context, unsigned walkers);
  // Joins whatever threads still run.
  ~WalkCrew();
  WalkCrew(const WalkCrew&) = delete;
  WalkCrew& operator=(const WalkCrew&) = delete;

  // Opens each walker's handle on the root. The first walker's decides
  // whether the walk can start at all (its Status); a later one that
  // cannot open it (out of descriptors, say) stays out rather than lose
  // the subtrees it would take. Returns how many are ready.
  Status OpenRoots(unsigned* ready);
  // Starts a thread for each ready walker, each taking its work from the
  // queue; the first walker is left to the caller when |first_on_caller|.
  // Those the system will not start are done without, their places in
  // the queue withdrawn.
  void Start(bool first_on_caller);
  Walker& first() { return *walkers_.front(); }
  // Threads started, and those the system would not start.
  unsigned started() const { return static_cast<unsigned>(pool_.size()); }
  unsigned not_started() const { return not_started_; }
  void Join();

  // Once joined: what each walker counted, and the sum of their
  // directory census.
  std::vector<CountedPart> TakeParts();
  LinkLedger TakeLinks();
  DirectoryCensus Census() const;

 private:
  WalkContext& context_;
  std::vector<std::unique_ptr<Walker>> walkers_;
  std::vector<Walker*> ready_;
  std::vector<std::thread> pool_;
  unsigned not_started_ = 0;
};

// The walk's outcome as a count's Status: kCancelled, kNoMemory, or ok.
Status WalkOutcome(const WalkContext& context);

}  // namespace ovik

#endif  // OVIK_SCAN_WALK_CREW_H_

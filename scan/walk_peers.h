// Other processes that walk the same tree with this one, perhaps on other
// machines. A scan given peers shares its work with them while it runs,
// and at the end hands what it counted to the process that reports, which
// adds up every part as the threads' parts are added up.
#ifndef OVIK_SCAN_WALK_PEERS_H_
#define OVIK_SCAN_WALK_PEERS_H_

#include "scan/link_ledger.h"
#include "platform/status.h"
#include "scan/stats.h"
#include "scan/tallies.h"
#include "scan/work_queue.h"

namespace ovik {

// What one process's walk counted.
struct WalkPart {
  // ok, or why the walk did not finish (scan/counter.h's Counted).
  Status status;
  Tallies tallies;
  LinkLedger links;  // files with several links, not yet counted
  ScanStats stats;
};

class WalkPeers {
 public:
  virtual ~WalkPeers() = default;
  // Whether this process's walk starts at the root; exactly one does, the
  // others start with work handed over.
  virtual bool StartsAtRoot() const = 0;
  // Shares the work of |queue| with the peers, and puts theirs there,
  // until the walk is over in every process; then closes |queue|. Runs on
  // the scan's own thread while the walkers run on theirs; |walking|
  // false when this process has no walker, and so takes no work. Never
  // throws.
  virtual void Serve(WorkQueue& queue, bool walking) = 0;
  // Hands |part| over to the process that reports and returns false; or,
  // in that process, adds every other part to |part| and returns true.
  virtual bool Gather(WalkPart* part) = 0;
};

}  // namespace ovik

#endif  // OVIK_SCAN_WALK_PEERS_H_

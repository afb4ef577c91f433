// A way to count a volume: the walk, the walk shared with other
// processes, or the volume's own table of its files. Each fills the same
// parts (tallies of owners and groups, directory records where a walk
// keeps them), so the scan that drives it builds the same tables and
// rankings from them, whichever counted.
#ifndef OVIK_SCAN_COUNTER_H_
#define OVIK_SCAN_COUNTER_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/status.h"
#include "platform/volume_table.h"
#include "scan/ages.h"
#include "scan/progress.h"
#include "scan/recorded_part.h"
#include "scan/stats.h"
#include "scan/tallies.h"

namespace ovik {

class WalkPeers;  // scan/walk_peers.h

// What one thread of a count counted.
struct CountedPart {
  Tallies owners;
  Tallies groups;  // empty unless groups are counted
  std::optional<RecordedPart> directories;  // where directories are kept
  ScanStats stats;
};

struct CountRequest {
  FileSystem& fs;
  std::string root;
  ScanProgress* progress = nullptr;
  // Threads to count with (already planned: at least 1).
  unsigned threads = 1;
  // Directories each thread of a walk keeps open at once.
  unsigned max_open_directories = 16;
  bool groups = false;
  // The clock ages are counted by, and the files left out for their age.
  AgeRule ages{};
  bool keep_directories = false;
  std::uint64_t directory_budget = 0;  // for the walk's records
};

struct Counted {
  // ok; kCancelled; kNoMemory; otherwise why the root could not be read.
  Status status;
  std::vector<CountedPart> parts;
  unsigned threads = 0;              // that counted
  unsigned threads_not_started = 0;  // that the system would not start
  // False in a process that handed what it counted to another, which
  // reports for all (a walk shared with peers).
  bool reports = true;
};

class Counter {
 public:
  virtual ~Counter() = default;
  // Counts the tree |request| names. Memory running out on a thread of
  // the count's own comes back as kNoMemory; on the caller's thread it
  // throws std::bad_alloc, for the scan to catch with the rest of its
  // work there.
  virtual Counted Count(const CountRequest& request) = 0;
};

// The walk of the tree, each directory listed. Where the directories'
// records do not fit their budget, the tree is walked again with those
// below the deepest level that fits counted in their ancestor at it.
std::unique_ptr<Counter> MakeWalkCounter();
// The walk shared with other processes; only owners are counted, and the
// process that reports gets one part: the whole tree's.
std::unique_ptr<Counter> MakePeerWalkCounter(WalkPeers& peers);
// The volume's own table of its files, read part by part on the threads;
// owners are met in the table's order.
std::unique_ptr<Counter> MakeTableCounter(std::shared_ptr<VolumeTable> table);

}  // namespace ovik

#endif  // OVIK_SCAN_COUNTER_H_

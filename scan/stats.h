// What a scan counted besides the owners' totals: figures for the user
// and the reasons a ranking may be short.
#ifndef OVIK_SCAN_STATS_H_
#define OVIK_SCAN_STATS_H_

#include <cstdint>

namespace ovik {

struct ScanStats {
  std::uint64_t files = 0;        // counted entries (each hard link once)
  // Their total size; it stops at kMaxTotal (scan/saturating.h) rather
  // than wrap, and then means "at least".
  std::uint64_t bytes = 0;
  std::uint64_t directories = 0;  // directories listed, the root included
  std::uint64_t skipped_directories = 0;  // could not be entered or listed
  // Of those, the ones no descriptor or handle could be had for, even
  // after the walk gave back all it could spare.
  std::uint64_t skipped_for_handles = 0;
  std::uint64_t unreadable_entries = 0;   // counted under the pseudo-owner
  std::uint64_t vanished_entries = 0;     // gone between listing and status
  // Mount points not entered or counted: directories and files on which
  // another volume or mount is mounted.
  std::uint64_t other_volumes = 0;
  std::uint64_t hard_link_duplicates = 0; // further links of counted files
  // Left out as younger than the scan asked (ScanOptions::older_than).
  std::uint64_t younger_entries = 0;
  // Parts of a volume's table (scan/counter.h) that could not be read as
  // a whole: what they hold is missing.
  std::uint64_t unread_table_parts = 0;
  // Owners and groups whose name could not be had (the account or group
  // service failed, not merely knew no name for them): shown by number.
  std::uint64_t unnamed_owners = 0;

  // Set by the scan as a whole, not added up from its parts:
  // Owners (and groups) whose total reached kMaxTotal; their true
  // totals are larger.
  std::uint64_t saturated_totals = 0;
  unsigned threads = 0;              // threads that walked the tree
  // Threads the system would not start (a process or thread limit); the
  // walk went on without them, with a result just as complete.
  unsigned threads_not_started = 0;

  // Adds the figures of another part of the same walk.
  ScanStats& operator+=(const ScanStats& other);
};

// Whether a finished scan's ranking holds everything below its root that
// could be counted: no directory or part of a table skipped, every entry's
// owner read and named, no total held at the largest figure. Mount points left out and entries
// that went away during the walk do not make it incomplete.
bool IsComplete(const ScanStats& stats);

}  // namespace ovik

#endif  // OVIK_SCAN_STATS_H_

// What a scan counted besides the owners' totals: figures for the user
// and the reasons a ranking may be short.
#ifndef OVIK_SCAN_STATS_H_
#define OVIK_SCAN_STATS_H_

#include <cstdint>

namespace ovik {

struct ScanStats {
  std::uint64_t files = 0;        // counted entries (each hard link once)
  std::uint64_t bytes = 0;        // their total size
  std::uint64_t directories = 0;  // directories listed, the root included
  std::uint64_t skipped_directories = 0;  // could not be entered or listed
  std::uint64_t unreadable_entries = 0;   // counted under the pseudo-owner
  std::uint64_t vanished_entries = 0;     // gone between listing and status
  std::uint64_t other_volumes = 0;        // mount points not entered
  std::uint64_t hard_link_duplicates = 0; // further links of counted files
  std::uint64_t unrecorded_owners = 0;    // no memory to record them

  // Adds the figures of another part of the same walk.
  ScanStats& operator+=(const ScanStats& other);
};

}  // namespace ovik

#endif  // OVIK_SCAN_STATS_H_

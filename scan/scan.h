// One scan of a directory tree: every entry that is not a directory adds
// its size to its owner's total; the result is the owner table and the
// ranking built from it.
#ifndef OVIK_SCAN_SCAN_H_
#define OVIK_SCAN_SCAN_H_

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/filesystem.h"
#include "scan/owner_table.h"
#include "scan/ranking.h"

namespace ovik {

// Name under which entries whose owner cannot be read are counted. It
// holds a colon, which no account name on any supported system can.
inline constexpr std::string_view kUnreadableOwnerName = "<unreadable>:";

// Live figures of a running scan, written by the walk with relaxed stores
// and read by a user interface at its own pace.
struct ScanProgress {
  std::atomic<std::uint64_t> files{0};
  std::atomic<std::uint64_t> bytes{0};
  std::atomic<std::uint64_t> directories{0};
  std::atomic<bool> cancel{false};  // set by the caller to stop the walk

  // Directory being listed, relative to the scan's root; updated
  // occasionally under the lock.
  void SetCurrentDirectory(const std::string& path);
  std::string CurrentDirectory() const;

 private:
  mutable std::mutex mutex_;
  std::string current_;
};

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
};

enum class ScanStatus : std::uint8_t {
  kOk,
  kRootNotEnterable,  // nothing was scanned
  kCancelled,
  kOutOfMemory,       // the owner table could not be started
};

struct ScanOptions {
  unsigned threads = 1;  // 0: one per processor, at least four
  ScanProgress* progress = nullptr;
  // Directories each thread keeps open at once; deeper levels are opened
  // again from their ancestors when the walk comes back to them.
  unsigned max_open_directories = 16;
};

struct ScanResult {
  ScanStatus status = ScanStatus::kOk;
  OwnerTable table;
  Ranking ranking;
  ScanStats stats;
  bool ok() const { return status == ScanStatus::kOk; }
};

// Walks the tree below |root_path| and builds the ranking. The table is
// new for every scan and headed by the administrators' record.
ScanResult RunScan(FileSystem& fs, std::string_view root_path,
                   const ScanOptions& options = {});

}  // namespace ovik

#endif  // OVIK_SCAN_SCAN_H_

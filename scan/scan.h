// One scan of a directory tree: every entry that is not a directory adds
// its size to its owner's total; the result is the owner table and the
// ranking built from it.
#ifndef OVIK_SCAN_SCAN_H_
#define OVIK_SCAN_SCAN_H_

#include <cstdint>
#include <string_view>

#include "platform/filesystem.h"
#include "scan/owner_names.h"
#include "scan/owner_table.h"
#include "scan/progress.h"
#include "scan/ranking.h"
#include "scan/stats.h"

namespace ovik {

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

// Plain data: nothing in it refers to the file system it came from.
struct ScanResult {
  ScanStatus status = ScanStatus::kOk;
  OwnerTable table;  // in the order the owners were first met
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

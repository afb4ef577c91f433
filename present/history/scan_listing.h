// What `ovik history` writes: the saved scans, oldest first.
//
//   text  a header, then one line per scan with tab-separated fields:
//         when it started, the root, the volume (mount point and label),
//         the method and threads, complete or not (and what was left
//         out), the total as the ranking shows sizes and in bytes, the
//         number of owners; paths written as `ovik where` writes them.
//   csv   RFC 4180, CR LF, a header row, every fact of each scan.
//   json  one object: {"scans": [...]}.
#ifndef OVIK_PRESENT_HISTORY_SCAN_LISTING_H_
#define OVIK_PRESENT_HISTORY_SCAN_LISTING_H_

#include <string>
#include <vector>

#include "history/saved_scan.h"

namespace ovik {

std::string BuildScanListingText(const std::vector<ScanFacts>& scans);
std::string BuildScanListingCsv(const std::vector<ScanFacts>& scans);
std::string BuildScanListingJson(const std::vector<ScanFacts>& scans);

}  // namespace ovik

#endif  // OVIK_PRESENT_HISTORY_SCAN_LISTING_H_

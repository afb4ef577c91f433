// The lines that tell how a scan goes: a running scan's progress, what
// the last scan counted and what it could not read. The terminal dialog
// shows them under the ranking, `ovik report` its progress on a terminal.
#ifndef OVIK_DIALOG_SCAN_STATUS_TEXT_H_
#define OVIK_DIALOG_SCAN_STATUS_TEXT_H_

#include <cstdint>
#include <string>

#include "scan/scan.h"

namespace ovik {

// 1234567 -> "1,234,567".
std::string GroupThousands(std::uint64_t value);

// "Scanning: 1,234 files, 56 directories, 7,890 KB" ("Cancelling: ..."
// once the user has asked to stop).
std::string ProgressLine(std::uint64_t files, std::uint64_t directories,
                         std::uint64_t bytes, bool cancelling);
// "Scanned 1,234 files, 56 directories, 7,890 KB".
std::string ScanSummary(const ScanStats& stats);
// How many directories could not be read and how many entries had an
// unreadable owner; empty when there were none.
std::string SkipSummary(const ScanStats& stats);

}  // namespace ovik

#endif  // OVIK_DIALOG_SCAN_STATUS_TEXT_H_

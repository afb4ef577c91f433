// The lines that tell how a scan goes: a running scan's progress, what
// the last scan counted and what it could not read. The terminal dialog
// shows them under the ranking, the Win32 dialog in its caption and a
// message, `ovik report` its progress on a terminal.
#ifndef OVIK_DIALOG_SCAN_STATUS_TEXT_H_
#define OVIK_DIALOG_SCAN_STATUS_TEXT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "scan/scan.h"

namespace ovik {

// 1234567 -> "1,234,567".
std::string GroupThousands(std::uint64_t value);

// "Scanning: 1,234 files, 56 directories, 7,890 KB" ("Cancelling: ..."
// once the user has asked to stop).
std::string ProgressLine(std::uint64_t files, std::uint64_t directories,
                         std::uint64_t bytes, bool cancelling);
// The same for a window's caption: "Scanning: 1,234 files, 56 folders,
// 7 MB".
std::string ProgressCaption(std::uint64_t files, std::uint64_t directories,
                            std::uint64_t bytes, bool cancelling);
// "Scanned 1,234 files, 56 directories, 7,890 KB".
std::string ScanSummary(const ScanStats& stats);
// Every reason the ranking of a scan is short, one sentence each:
// directories that could not be read (and of those, the ones short of
// descriptors), entries with an unreadable owner, parts of a volume's
// table not read, owners that could not be named, totals held at the
// largest figure. Empty when the ranking is whole.
std::vector<std::string> MissingFacts(const ScanStats& stats);
// The same on one line, "; " between them; empty when there are none.
std::string SkipSummary(const ScanStats& stats);

}  // namespace ovik

#endif  // OVIK_DIALOG_SCAN_STATUS_TEXT_H_

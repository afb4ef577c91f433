// The lines the terminal dialog shows under the ranking: a running scan's
// progress, and what the last scan counted and could not read.
#ifndef OVIK_UI_TUI_STATUS_TEXT_H_
#define OVIK_UI_TUI_STATUS_TEXT_H_

#include <cstdint>
#include <string>

#include "scan/scan.h"

namespace ovik::tui {

// "Scanning: 1,234 files, 56 directories, 7,890 KB".
std::string ProgressLine(std::uint64_t files, std::uint64_t directories,
                         std::uint64_t bytes, bool cancelling);
// "In: <directory>", cut at the left to |width| cells.
std::string CurrentDirectoryLine(const std::string& directory, int width);
// "Scanned 1,234 files, 56 directories, 7,890 KB".
std::string ScanSummary(const ScanStats& stats);
// How many directories could not be read and how many entries had an
// unreadable owner; empty when there were none.
std::string SkipSummary(const ScanStats& stats);

}  // namespace ovik::tui

#endif  // OVIK_UI_TUI_STATUS_TEXT_H_

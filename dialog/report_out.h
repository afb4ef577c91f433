// "&Report Out": asks for a file with the Save As dialog and writes the
// report of the last scan to it, showing what went wrong if anything did.
#ifndef OVIK_DIALOG_REPORT_OUT_H_
#define OVIK_DIALOG_REPORT_OUT_H_

#include <functional>
#include <string>
#include <string_view>

#include "scan/ranking.h"
#include "scan/stats.h"
#include "dialog/dialog_port.h"
#include "volume/volume_facts.h"

namespace ovik {

// Asks for a file name. Cancel returns false silently; a failure of the
// dialog itself shows its message.
bool AskReportFileName(DialogPort& dialog, std::string* path);

// The report file of a ranking: one line per owner, and after them, only
// where the scan could not count everything (|stats|), one line that says
// what it missed, so that a short ranking never reads as a whole one.
std::string BuildReportFile(const Ranking& ranking, const VolumeTotals& totals,
                            const ScanStats& stats);

// Asks for a file and writes the report to it, showing any failure. A
// file that waits for its reader (a FIFO) can be given up on through
// the port's WaitForOutput.
bool WriteReport(DialogPort& dialog, const Ranking& ranking,
                 const VolumeTotals& totals, const ScanStats& stats = {});

// Writes a report's bytes to |path| whole or not at all, and says which
// of the two failures it met (each has its own message). |cancelled|,
// when given, is asked while the file waits for its reader; true gives
// up (kCancelled). A symbolic link that was not followed is named in
// |refused_link| when that is given (see AtomicFileWriter).
enum class ReportFileResult { kWritten, kNotCreated, kNotWritten, kCancelled };
ReportFileResult WriteReportFile(const std::string& path,
                                 std::string_view bytes,
                                 std::function<bool()> cancelled = {},
                                 std::string* refused_link = nullptr);

}  // namespace ovik

#endif  // OVIK_DIALOG_REPORT_OUT_H_

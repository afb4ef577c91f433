// "&Report Out": asks for a file with the Save As dialog and writes the
// report of the last scan to it, showing what went wrong if anything did.
#ifndef OVIK_DIALOG_REPORT_OUT_H_
#define OVIK_DIALOG_REPORT_OUT_H_

#include <string>
#include <string_view>

#include "scan/ranking.h"
#include "dialog/dialog_port.h"
#include "volume/volume_facts.h"

namespace ovik {

// Asks for a file name. Cancel returns false silently; a failure of the
// dialog itself shows its message.
bool AskReportFileName(DialogPort& dialog, std::string* path);

// Asks for a file and writes the report to it, showing any failure.
bool WriteReport(DialogPort& dialog, const Ranking& ranking,
                 const VolumeTotals& totals);

// Writes a report's bytes to |path| whole or not at all, and says which
// of the two failures it met (each has its own message).
enum class ReportFileResult { kWritten, kNotCreated, kNotWritten };
ReportFileResult WriteReportFile(const std::string& path,
                                 std::string_view bytes);

}  // namespace ovik

#endif  // OVIK_DIALOG_REPORT_OUT_H_

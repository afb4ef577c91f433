// The result report: one line per owner in ranking order, CR LF.
#ifndef OVIK_PRESENT_REPORT_H_
#define OVIK_PRESENT_REPORT_H_

#include <string>

#include "scan/ranking.h"
#include "ui/dialog_port.h"
#include "volume/volume_panel.h"

namespace ovik {

// "No.%d:%-20s %s\r\n" for one owner; |position| counts from 1.
std::string BuildReportLine(std::size_t position, const std::string& name,
                            const std::string& usage);

// The whole report's bytes (UTF-8).
std::string BuildReport(const Ranking& ranking, const VolumeTotals& totals);

// Asks for a file name. Cancel returns false silently; a failure of the
// dialog itself shows its message.
bool AskReportFileName(DialogPort& dialog, std::string* path);

// Asks for a file and writes the report to it, showing any failure.
bool WriteReport(DialogPort& dialog, const Ranking& ranking,
                 const VolumeTotals& totals);

}  // namespace ovik

#endif  // OVIK_PRESENT_REPORT_H_

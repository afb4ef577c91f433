// The ranking of a headless scan in the form `ovik report --format`
// asks for: the report file's text, or an export (csv, json, html) with
// the scan's facts.
#ifndef OVIK_CLI_REPORT_FORMATS_H_
#define OVIK_CLI_REPORT_FORMATS_H_

#include <string>

#include "present/export/export.h"
#include "cli/command_line.h"
#include "cli/find_run.h"

namespace ovik {

// The ranking |line| asks for (by owner or group, ages by which time)
// and the facts of |found|, as the exports take them.
ExportData MakeExportData(const FoundScan& found, const CommandLine& line);

// The bytes to write: the ranking by |line.by| in |line.format|.
std::string BuildReportIn(const CommandLine& line, const FoundScan& found);

}  // namespace ovik

#endif  // OVIK_CLI_REPORT_FORMATS_H_

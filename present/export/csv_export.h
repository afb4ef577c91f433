// The ranking as CSV (RFC 4180): a header row, then one record per owner,
// lines ended by CR LF.
//
// Every record also carries the scan's facts in columns of its own, so a
// script reads one table with one parser and every row keeps its context
// (rows of several exports can simply be put together). A scan that
// ranked nobody still writes one record, with the owner's columns empty,
// so its facts (an incomplete scan above all) are never lost.
//
// Names and paths are written as the ranking shows them: control
// characters and bytes that are not UTF-8 become '?', so the file is
// valid UTF-8, one record is one line, and viewing it cannot drive a
// terminal. The id column names the account exactly.
#ifndef OVIK_PRESENT_EXPORT_CSV_EXPORT_H_
#define OVIK_PRESENT_EXPORT_CSV_EXPORT_H_

#include <string>
#include <string_view>

#include "present/export/export.h"

namespace ovik {

// |field| as it is written: in double quotes, quotes doubled, when it
// holds a comma, a double quote, CR or LF; as it is otherwise.
std::string QuoteCsvField(std::string_view field);

std::string BuildCsvExport(const ExportData& data);

}  // namespace ovik

#endif  // OVIK_PRESENT_EXPORT_CSV_EXPORT_H_

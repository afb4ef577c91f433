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
// characters, misleading format characters (a right-to-left override
// above all) and bytes that are not UTF-8 become '?', so the file is
// valid UTF-8, one record is one line, and viewing it cannot drive a
// terminal nor read otherwise than it is. A name or path that starts
// with '=', '+', '-' or '@' (or a tab or CR) gets a single quote before
// it, as spreadsheet makers advise, so that a spreadsheet opening the
// file shows it rather than runs it as a formula. CsvCells::kRaw writes
// them as the system gave them instead, for scripts that want the bytes.
#ifndef OVIK_PRESENT_EXPORT_CSV_EXPORT_H_
#define OVIK_PRESENT_EXPORT_CSV_EXPORT_H_

#include <string>
#include <string_view>

#include "present/export/export.h"

namespace ovik {

// |field| as it is written: in double quotes, quotes doubled, when it
// holds a comma, a double quote, CR or LF; as it is otherwise.
std::string QuoteCsvField(std::string_view field);

enum class CsvCells {
  kInert,  // shown as the ranking shows them, never a formula
  kRaw,    // the bytes as they are
};

std::string BuildCsvExport(const ExportData& data,
                           CsvCells cells = CsvCells::kInert);

}  // namespace ovik

#endif  // OVIK_PRESENT_EXPORT_CSV_EXPORT_H_

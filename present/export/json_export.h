// The ranking as JSON: one object with the scan's facts and an array of
// owner records, in ranking order. Keys match the CSV's columns.
//
// The text is pure ASCII: every character outside it, and every control
// character, is written as a \u escape, so the file survives any channel
// and any terminal while a name that is valid UTF-8 reads back exactly.
// Bytes of a name that are not UTF-8 cannot be carried by JSON; each
// becomes U+FFFD (the id names the account exactly). Integers are JSON
// numbers, exact up to 2^64-1. The share is given twice: "share" is the
// ranking's text ("30.7200%", or "--.----%" while the capacity is
// unknown), "share_percent" the same value as a number (null while
// unknown).
#ifndef OVIK_PRESENT_EXPORT_JSON_EXPORT_H_
#define OVIK_PRESENT_EXPORT_JSON_EXPORT_H_

#include <string>

#include "present/export/export.h"

namespace ovik {

// Indented by two spaces, ended by a line feed.
std::string BuildJsonExport(const ExportData& data);

}  // namespace ovik

#endif  // OVIK_PRESENT_EXPORT_JSON_EXPORT_H_

// The ranking as one self-contained HTML page, fit to be mailed: the
// scan's facts, a bar chart of the shares (inline SVG) and a table of
// every owner. No scripts, no external files; the styles that carry
// meaning are inline, so the page stays readable where a mail reader
// strips style sheets (and the table holds every figure where it drops
// the chart).
//
// Names and paths are shown as the ranking shows them (control
// characters and bytes that are not UTF-8 as '?') and escaped.
#ifndef OVIK_PRESENT_EXPORT_HTML_EXPORT_H_
#define OVIK_PRESENT_EXPORT_HTML_EXPORT_H_

#include <string>

#include "present/export/export.h"

namespace ovik {

// UTF-8.
std::string BuildHtmlExport(const ExportData& data);

}  // namespace ovik

#endif  // OVIK_PRESENT_EXPORT_HTML_EXPORT_H_

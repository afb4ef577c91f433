// Text made safe to place in an HTML page, in element content and in
// quoted attribute values alike.
#ifndef OVIK_PRESENT_EXPORT_HTML_TEXT_H_
#define OVIK_PRESENT_EXPORT_HTML_TEXT_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace ovik {

// & < > " ' as character references; everything else as it is.
std::string EscapeHtml(std::string_view text);

// A name or path as the ranking shows it (control characters, misleading
// format characters and bytes that are not UTF-8 as '?'), escaped. Where
// it fills a table cell, the cell keeps a name written right to left
// from reordering anything around it: each cell is a paragraph of its
// own to the bidirectional algorithm.
std::string ShownHtml(std::string_view bytes);

// The same inside a longer line of the chart's SVG, isolated there (as
// <bdi> would in HTML) by a <tspan> whose style says so.
std::string ShownSvg(std::string_view bytes);

// Decimal digits in groups of three: "31,457,280".
std::string GroupDigits(std::uint64_t n);

}  // namespace ovik

#endif  // OVIK_PRESENT_EXPORT_HTML_TEXT_H_

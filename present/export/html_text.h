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
// format characters and bytes that are not UTF-8 as '?'), escaped, and
// isolated in a <bdi> element so that a name written right to left
// cannot reorder the text around it.
std::string ShownHtml(std::string_view bytes);

// The same for a label of the chart's SVG, which has no <bdi>: a <tspan>
// isolated by its style.
std::string ShownSvg(std::string_view bytes);

// Decimal digits in groups of three: "31,457,280".
std::string GroupDigits(std::uint64_t n);

}  // namespace ovik

#endif  // OVIK_PRESENT_EXPORT_HTML_TEXT_H_

// The look every page Ovik writes shares, so that a ranking and a growth
// report read alike in a mailbox: the styles, inline where they matter
// (mail readers drop style sheets), and the pieces pages are put
// together from.
#ifndef OVIK_PRESENT_EXPORT_HTML_PAGE_H_
#define OVIK_PRESENT_EXPORT_HTML_PAGE_H_

#include <initializer_list>
#include <string>
#include <string_view>

namespace ovik::html_page {

// Styles that only polish the page.
inline constexpr std::string_view kStyleSheet =
    "th,td{padding:3px 10px}\n"
    "td.n{text-align:right;font-variant-numeric:tabular-nums}\n"
    "tbody tr:nth-child(even){background:#f2f4f7}\n";

inline constexpr std::string_view kBodyStyle =
    "margin:16px;font-family:sans-serif;font-size:14px;color:#1a1a1a;"
    "background:#ffffff";
inline constexpr std::string_view kHeadingStyle =
    "font-size:16px;margin:20px 0 8px";
inline constexpr std::string_view kWarningStyle =
    "padding:8px 12px;border:2px solid #b00020;color:#b00020;"
    "font-weight:bold";
inline constexpr std::string_view kTableStyle =
    "border-collapse:collapse;border:1px solid #c8ced6";
inline constexpr std::string_view kFactLabelStyle = "text-align:left";
inline constexpr std::string_view kHeaderCellStyle =
    "text-align:left;border-bottom:1px solid #c8ced6";

inline void Append(std::string* html,
                   std::initializer_list<std::string_view> parts) {
  for (std::string_view part : parts) *html += part;
}

// One row of a table of facts: |label| and |value|, both HTML already.
inline void AppendFact(std::string_view label, std::string_view value,
                       std::string* html) {
  Append(html, {"<tr><th style=\"", kFactLabelStyle, "\">", label,
                "</th><td>", value, "</td></tr>\n"});
}

}  // namespace ovik::html_page

#endif  // OVIK_PRESENT_EXPORT_HTML_PAGE_H_

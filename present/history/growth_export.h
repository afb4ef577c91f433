// What `ovik growth` writes, in each of its formats, from one answer of
// the history (history/growth_query.h): who grew, or where one owner
// grew.
//
//   text  a few lines saying which scans were compared (and which was not
//         complete), a header, then one line per owner or directory with
//         tab-separated fields: the change as the ranking shows sizes
//         ("+12GB"), exact bytes, files, and so on; names and paths
//         written as `ovik where` writes them (\ooo for what could break
//         a line or drive a terminal), so each line is one record.
//   csv   RFC 4180, CR LF, a header row, the compared scans' facts in
//         every record.
//   json  one object.
//   html  one self-contained page: the facts, an inline SVG line chart
//         of the largest owners over every saved scan in the range, the
//         table.
//
// |top| keeps the first |top| rows (the largest growth), 0 all of them.
// Any scan that is not complete is named in every format.
#ifndef OVIK_PRESENT_HISTORY_GROWTH_EXPORT_H_
#define OVIK_PRESENT_HISTORY_GROWTH_EXPORT_H_

#include <cstddef>
#include <string>

#include "history/growth_query.h"

namespace ovik {

std::string BuildGrowthText(const GrowthAnswer& answer, std::size_t top);
std::string BuildGrowthCsv(const GrowthAnswer& answer, std::size_t top);
std::string BuildGrowthJson(const GrowthAnswer& answer, std::size_t top);
std::string BuildGrowthHtml(const GrowthAnswer& answer, std::size_t top);

}  // namespace ovik

#endif  // OVIK_PRESENT_HISTORY_GROWTH_EXPORT_H_

// The owners' shares as an inline SVG bar chart: one labelled bar per
// owner, largest first, lengths proportional to their totals (the
// largest bar spans the chart). Presentation attributes only, so the
// chart keeps its look where style sheets are stripped.
//
// A page with thousands of owners stays readable: past kChartedOwners the
// chart shows the largest ones and one more bar for all the rest, while
// the page's table lists every owner.
#ifndef OVIK_PRESENT_EXPORT_SHARE_CHART_H_
#define OVIK_PRESENT_EXPORT_SHARE_CHART_H_

#include <cstddef>
#include <string>

#include "present/export/export.h"

namespace ovik {

inline constexpr std::size_t kChartedOwners = 20;

// An <svg> element; empty when there are no owners.
std::string BuildShareChart(const ExportData& data);

}  // namespace ovik

#endif  // OVIK_PRESENT_EXPORT_SHARE_CHART_H_

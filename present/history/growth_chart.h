// The chart of the growth page: each followed owner's bytes over every
// saved scan of the range, as an inline SVG line chart. Time runs left to
// right (scans placed by when they were made), bytes bottom to top from
// nothing to the largest figure charted. Presentation attributes only, so
// the chart keeps its look where style sheets are stripped.
#ifndef OVIK_PRESENT_HISTORY_GROWTH_CHART_H_
#define OVIK_PRESENT_HISTORY_GROWTH_CHART_H_

#include <string>

#include "history/growth_query.h"

namespace ovik {

// An <svg> element; empty when there is nothing to chart.
std::string BuildGrowthChart(const GrowthChart& chart);

}  // namespace ovik

#endif  // OVIK_PRESENT_HISTORY_GROWTH_CHART_H_

// What `ovik growth` asks of the history, in one call: the two scans to
// compare (the newest of a root, and the one before it or the newest at
// or before a time), who grew or where one owner grew, and the figures of
// a chart over every scan between the two.
#ifndef OVIK_HISTORY_GROWTH_QUERY_H_
#define OVIK_HISTORY_GROWTH_QUERY_H_

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "history/growth.h"
#include "history/history.h"
#include "history/history_status.h"
#include "history/saved_scan.h"
#include "scan/ranked_by.h"

namespace ovik {

struct GrowthQuery {
  SeriesKey series;
  std::string path;  // the root as the user named it, for messages
  // Compare with the newest scan at or before this time; without it,
  // with the scan before the newest.
  std::optional<std::chrono::sys_seconds> since;
  RankedBy by = RankedBy::kOwner;
  // Where this owner grew (a name or an id), rather than who grew.
  std::optional<std::string> owner;
  // How many of the largest owners a chart follows; 0 for no chart.
  std::size_t chart_lines = 0;
};

// One line of the chart: an owner's bytes at each scan of the range.
struct ChartLine {
  Who who;
  std::string name;
  std::vector<std::uint64_t> bytes;  // one per scan, 0 where it had none
};

struct GrowthChart {
  std::vector<ScanFacts> scans;  // every scan of the range, oldest first
  std::vector<ChartLine> lines;  // the largest owners of the newest scan
};

struct GrowthAnswer {
  Growth growth;                               // who grew
  std::optional<DirectoryGrowth> directories;  // where the owner grew
  GrowthChart chart;
  // Either scan compared is not complete: the caller says so and ends
  // with the status of an incomplete answer.
  bool incomplete() const { return growth.incomplete(); }
};

// kNotFound with a message when there are not two scans to compare or
// the owner is in neither.
HistoryStatus QueryGrowth(History& history, const GrowthQuery& query,
                          GrowthAnswer* answer);

}  // namespace ovik

#endif  // OVIK_HISTORY_GROWTH_QUERY_H_

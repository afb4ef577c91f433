#include "history/growth_query.h"

#include <utility>

#include "present/display_name.h"
#include "present/export/export.h"

namespace ovik {
namespace {

HistoryStatus NotFound(std::string message) {
  return HistoryStatus(Status(StatusCode::kNotFound), std::move(message));
}

}  // namespace

HistoryStatus QueryGrowth(History& history, const GrowthQuery& query,
                          GrowthAnswer* answer) {
  std::vector<ScanFacts> scans;
  HistoryStatus status = history.List(
      ScanFilter{query.series.volume, query.series.root_in_volume}, &scans);
  if (!status.ok()) return status;
  const std::string shown = SanitizeName(query.path);
  if (scans.empty()) {
    return NotFound(HistoryName(history.path()) + ": has no saved scan of " +
                    shown);
  }
  const std::size_t newest = scans.size() - 1;
  std::optional<std::size_t> older;
  for (std::size_t i = newest; i-- > 0;) {
    if (!query.since || scans[i].started <= *query.since) {
      older = i;
      break;
    }
  }
  if (!older) {
    if (!query.since || scans.size() == 1) {
      return NotFound(HistoryName(history.path()) + ": has one saved scan of " +
                      shown + " (" + FormatUtcTime(scans[newest].started) +
                      "), and growth needs two");
    }
    return NotFound(HistoryName(history.path()) + ": has no saved scan of " +
                    shown + " from " + FormatUtcTime(*query.since) +
                    " or before; the oldest is from " +
                    FormatUtcTime(scans.front().started));
  }

  SavedScan before;
  SavedScan after;
  if (!(status = history.Load(scans[*older].id, LoadWhat::kFigures, &before))
           .ok() ||
      !(status = history.Load(scans[newest].id, LoadWhat::kFigures, &after))
           .ok()) {
    return status;
  }
  GrowthAnswer found;
  found.growth = ComputeGrowth(before, after, query.by);
  std::vector<Who> charted;
  std::vector<std::string> names;
  if (query.owner) {
    const std::optional<Who> who =
        FindWho(before, after, RankedBy::kOwner, *query.owner);
    if (!who) {
      return NotFound(SanitizeName(*query.owner) +
                      " has no saved bytes under " + shown + " in " +
                      HistoryName(history.path()));
    }
    // Only this owner's directories are read.
    for (SavedScan* scan : {&before, &after}) {
      for (SavedOwner& o : scan->owners) {
        if (o.who != *who) continue;
        status = history.LoadDirectories(scan->facts.id, *who, &o.directories);
        if (!status.ok()) return status;
      }
    }
    found.directories = ComputeDirectoryGrowth(before, after, *who);
    charted.push_back(*who);
    names.push_back(found.directories->owner.name);
  } else {
    for (const SavedOwner* o : LargestOf(after, query.by, query.chart_lines)) {
      charted.push_back(o->who);
      names.push_back(o->name);
    }
  }
  if (query.chart_lines != 0) {
    found.chart.scans.assign(
        scans.begin() + static_cast<std::ptrdiff_t>(*older), scans.end());
    std::vector<std::int64_t> ids;
    for (const ScanFacts& s : found.chart.scans) ids.push_back(s.id);
    std::vector<std::vector<std::uint64_t>> bytes;
    const RankedBy by = query.owner ? RankedBy::kOwner : query.by;
    status = history.LoadBytes(ids, by, charted, &bytes);
    if (!status.ok()) return status;
    for (std::size_t i = 0; i < charted.size(); ++i) {
      found.chart.lines.push_back(
          {charted[i], std::move(names[i]), std::move(bytes[i])});
    }
  }
  *answer = std::move(found);
  return HistoryStatus::Ok();
}

}  // namespace ovik

#include "hosts/terminal/find_history.h"

#include <map>
#include <memory>
#include <utility>

#include "dialog/texts.h"
#include "history/growth.h"
#include "history/history.h"
#include "history/saved_from_scan.h"
#include "history/series_key.h"
#include "present/export/export.h"
#include "present/fill.h"
#include "present/history/history_shown.h"

namespace ovik::tui {
namespace {

// The Find as the history keeps it, less what the volume tells.
SavedScan SavedFind(const FinishedFind& find, bool with_groups) {
  SavedScan scan;
  ScanFacts& facts = scan.facts;
  facts.started = find.started;
  facts.finished = find.finished;
  facts.root = find.root;
  // The dialog's Finds keep directories, and only a walk knows them.
  facts.method = "walk";
  SetFactsFromStats(*find.stats, &facts);
  scan.owners =
      SavedOwnersOf(*find.owners, RankedBy::kOwner, *find.directories);
  if (with_groups) {
    scan.groups =
        SavedOwnersOf(*find.groups, RankedBy::kGroup, *find.directories);
  }
  return scan;
}

bool SeriesOf(VolumeSource& volumes, const std::string& root,
              SeriesKey* series, MountIdentity* identity) {
  if (!volumes.IdentifyMount(root, identity).ok()) return false;
  *series =
      SeriesKeyFor(identity->mount, identity->uuid, identity->resolved_path);
  return true;
}

}  // namespace

std::vector<std::string> FindHistory::ChangesSince(const FinishedFind& find,
                                                   RankedBy by,
                                                   std::string* note) {
  note->clear();
  if (!path_) return {};
  SeriesKey series;
  MountIdentity identity;
  if (!SeriesOf(volumes_, find.root, &series, &identity)) return {};
  std::unique_ptr<History> history;
  // No history yet, or one that cannot be read: no column. Saving says
  // what is wrong with it.
  if (!History::Open(*path_, {}, &history).ok()) return {};
  std::vector<ScanFacts> scans;
  if (!history->List({series.volume, series.root_in_volume}, &scans).ok() ||
      scans.empty()) {
    return {};
  }
  SavedScan saved;
  if (!history->Load(scans.back().id, LoadWhat::kFigures, &saved).ok()) {
    return {};
  }
  const Growth growth =
      ComputeGrowth(saved, SavedFind(find, by == RankedBy::kGroup), by);
  std::map<std::pair<WhoKind, std::string>, const GrowthRow*> changed;
  for (const GrowthRow& row : growth.rows) {
    changed[{row.who.kind, row.who.id}] = &row;
  }
  const Ranking& ranking = by == RankedBy::kGroup ? *find.groups : *find.owners;
  const std::vector<SavedOwner> shown = SavedOwnersOf(ranking, by, {});
  std::vector<std::string> changes;
  changes.reserve(ranking.size());
  std::size_t next = 0;  // in |shown|, which keeps the ranking's order
  for (const RankedOwner& r : ranking) {
    if (r.bytes == 0 && r.files == 0) {
      changes.emplace_back();
      continue;
    }
    const Who& who = shown[next++].who;
    const auto row = changed.find({who.kind, who.id});
    if (row == changed.end()) {
      changes.emplace_back(text::kSameInChange);
    } else if (row->second->presence == Presence::kAppeared) {
      changes.emplace_back(text::kNewInChange);
    } else {
      changes.push_back(ShownSizeChange(row->second->bytes()));
    }
  }
  *note = Fill(text::kChangeSince, {FormatUtcTime(saved.facts.started)});
  if (growth.incomplete()) *note += text::kChangeIncomplete;
  return changes;
}

bool FindHistory::Save(const FinishedFind& find, std::string* message) {
  if (!path_) return false;
  SavedScan scan = SavedFind(find, true);
  MountIdentity identity;
  if (!SeriesOf(volumes_, find.root, &scan.facts.series, &identity)) {
    *message = find.root + ": the volume holding it cannot be told apart";
    return false;
  }
  scan.facts.root = identity.resolved_path;
  scan.facts.mount_point = identity.mount.mount_point;
  VolumeNames names;
  if (volumes_.ReadNames(find.root, &names).ok()) {
    scan.facts.volume_label = names.label;
  }
  VolumeSpace space;
  if (volumes_.ReadSpace(find.root, &space).ok()) {
    scan.facts.capacity_bytes = space.total_bytes;
  }
  std::unique_ptr<History> history;
  HistoryStatus status =
      History::Open(*path_, {.write = true, .create = true}, &history);
  if (status.ok()) status = history->Save(scan);
  if (status.ok()) return true;
  *message = status.message();
  return false;
}

}  // namespace ovik::tui

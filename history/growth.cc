#include "history/growth.h"

#include <algorithm>
#include <map>
#include <utility>

namespace ovik {
namespace {

using WhoKey = std::pair<WhoKind, std::string>;

const std::vector<SavedOwner>& ListOf(const SavedScan& scan, RankedBy by) {
  return by == RankedBy::kGroup ? scan.groups : scan.owners;
}

std::size_t Depth(std::string_view path) {
  return static_cast<std::size_t>(std::count(path.begin(), path.end(), '/')) +
         (path.empty() ? 0 : 1);
}

GrowthRow RowOf(const SavedOwner* before, const SavedOwner* after) {
  GrowthRow row;
  const SavedOwner& known = after != nullptr ? *after : *before;
  row.who = known.who;
  row.name = known.name;
  row.presence = before == nullptr  ? Presence::kAppeared
                 : after == nullptr ? Presence::kVanished
                                    : Presence::kBoth;
  if (before != nullptr) {
    row.bytes_before = before->bytes;
    row.files_before = before->files;
  }
  if (after != nullptr) {
    row.bytes_after = after->bytes;
    row.files_after = after->files;
  }
  return row;
}

}  // namespace

Change ChangeBetween(std::uint64_t before, std::uint64_t after) {
  return after >= before ? Change{false, after - before}
                         : Change{true, before - after};
}

bool MoreGrowth(const Change& a, const Change& b) {
  if (a.down != b.down) return b.down;
  return a.down ? a.amount < b.amount : a.amount > b.amount;
}

Growth ComputeGrowth(const SavedScan& older, const SavedScan& newer,
                     RankedBy by) {
  std::map<WhoKey, std::pair<const SavedOwner*, const SavedOwner*>> pairs;
  for (const SavedOwner& o : ListOf(older, by)) {
    pairs[{o.who.kind, o.who.id}].first = &o;
  }
  for (const SavedOwner& o : ListOf(newer, by)) {
    pairs[{o.who.kind, o.who.id}].second = &o;
  }
  Growth growth;
  growth.by = by;
  growth.older = older.facts;
  growth.newer = newer.facts;
  for (const auto& [key, pair] : pairs) {
    GrowthRow row = RowOf(pair.first, pair.second);
    if (row.presence == Presence::kBoth &&
        row.bytes_before == row.bytes_after &&
        row.files_before == row.files_after) {
      ++growth.unchanged;
      continue;
    }
    growth.rows.push_back(std::move(row));
  }
  std::sort(growth.rows.begin(), growth.rows.end(),
            [](const GrowthRow& a, const GrowthRow& b) {
              if (a.bytes() != b.bytes())
                return MoreGrowth(a.bytes(), b.bytes());
              if (a.files() != b.files())
                return MoreGrowth(a.files(), b.files());
              if (a.bytes_after != b.bytes_after) {
                return a.bytes_after > b.bytes_after;
              }
              return WhoBefore(a.who, b.who);
            });
  return growth;
}

DirectoryGrowth ComputeDirectoryGrowth(const SavedScan& older,
                                       const SavedScan& newer, const Who& who) {
  const auto find = [&](const SavedScan& scan) -> const SavedOwner* {
    for (const SavedOwner& o : scan.owners) {
      if (o.who == who) return &o;
    }
    return nullptr;
  };
  const SavedOwner* before = find(older);
  const SavedOwner* after = find(newer);
  DirectoryGrowth growth;
  growth.older = older.facts;
  growth.newer = newer.facts;
  if (before == nullptr && after == nullptr) {
    growth.owner.who = who;
    return growth;
  }
  growth.owner = RowOf(before, after);

  std::map<std::string, DirectoryGrowthRow> rows;
  if (before != nullptr) {
    for (const SavedDirectory& d : before->directories) {
      DirectoryGrowthRow& row = rows[d.path];
      row.saved_before = true;
      row.bytes_before = d.bytes;
      row.files_before = d.files;
    }
  }
  if (after != nullptr) {
    for (const SavedDirectory& d : after->directories) {
      DirectoryGrowthRow& row = rows[d.path];
      row.saved_after = true;
      row.bytes_after = d.bytes;
      row.files_after = d.files;
    }
  }
  for (auto& [path, row] : rows) {
    if (row.bytes_before == row.bytes_after &&
        row.files_before == row.files_after) {
      ++growth.unchanged;
      continue;
    }
    row.path = path;
    growth.rows.push_back(std::move(row));
  }
  std::sort(growth.rows.begin(), growth.rows.end(),
            [](const DirectoryGrowthRow& a, const DirectoryGrowthRow& b) {
              if (a.bytes() != b.bytes())
                return MoreGrowth(a.bytes(), b.bytes());
              const std::size_t da = Depth(a.path);
              const std::size_t db = Depth(b.path);
              if (da != db) return da > db;
              return a.path < b.path;
            });
  return growth;
}

std::optional<Who> FindWho(const SavedScan& older, const SavedScan& newer,
                           RankedBy by, std::string_view text) {
  for (bool by_name : {true, false}) {
    for (const SavedScan* scan : {&newer, &older}) {
      for (const SavedOwner& o : ListOf(*scan, by)) {
        if (by_name ? o.name == text
                    : (!o.who.id.empty() && o.who.id == text)) {
          return o.who;
        }
      }
    }
  }
  return std::nullopt;
}

std::vector<const SavedOwner*> LargestOf(const SavedScan& scan, RankedBy by,
                                         std::size_t count) {
  std::vector<const SavedOwner*> largest;
  for (const SavedOwner& o : ListOf(scan, by)) largest.push_back(&o);
  std::sort(largest.begin(), largest.end(),
            [](const SavedOwner* a, const SavedOwner* b) {
              if (a->bytes != b->bytes) return a->bytes > b->bytes;
              return WhoBefore(a->who, b->who);
            });
  if (largest.size() > count) largest.resize(count);
  return largest;
}

}  // namespace ovik

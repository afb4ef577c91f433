#include <cstdint>
#include <limits>

#include "present/export/export.h"
#include "present/history/facts_json.h"
#include "present/history/growth_export.h"
#include "present/history/history_shown.h"

namespace ovik {
namespace {

// A change as a JSON number where one holds it exactly; the figures
// before and after are always exact.
HistoryJson ChangeNumber(const Change& change) {
  constexpr auto kLargest =
      static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (change.amount > kLargest) return nullptr;
  const auto amount = static_cast<std::int64_t>(change.amount);
  return change.down ? -amount : amount;
}

HistoryJson OptionalNumber(const std::optional<std::uint64_t>& n) {
  return n ? HistoryJson(*n) : HistoryJson(nullptr);
}

void AppendScans(const ScanFacts& older, const ScanFacts& newer,
                 HistoryJson* json) {
  (*json)["older"] = ScanFactsJson(older);
  (*json)["newer"] = ScanFactsJson(newer);
  (*json)["complete"] = older.complete && newer.complete;
}

HistoryJson RowJson(const GrowthRow& row) {
  HistoryJson json = HistoryJson::object();
  json["kind"] = std::string(WhoKindName(row.who.kind));
  json["id"] = JsonText(row.who.id);
  json["name"] = JsonText(row.name);
  const std::string_view presence = PresenceName(row.presence);
  json["presence"] = presence.empty() ? "changed" : std::string(presence);
  json["bytes_before"] = row.bytes_before;
  json["bytes_after"] = row.bytes_after;
  json["bytes_change"] = ChangeNumber(row.bytes());
  json["files_before"] = row.files_before;
  json["files_after"] = row.files_after;
  json["files_change"] = ChangeNumber(row.files());
  return json;
}

}  // namespace

std::string BuildGrowthJson(const GrowthAnswer& answer, std::size_t top) {
  HistoryJson json = HistoryJson::object();
  if (const auto& where = answer.directories) {
    AppendScans(where->older, where->newer, &json);
    json["owner"] = RowJson(where->owner);
    json["unchanged_directories"] = where->unchanged;
    HistoryJson rows = HistoryJson::array();
    for (std::size_t i = 0; i < Shown(where->rows.size(), top); ++i) {
      const DirectoryGrowthRow& row = where->rows[i];
      HistoryJson d = HistoryJson::object();
      d["path"] = JsonText(row.path);
      d["saved_before"] = row.saved_before;
      d["saved_after"] = row.saved_after;
      d["bytes_before"] = row.bytes_before;
      d["bytes_after"] = row.bytes_after;
      d["bytes_change"] = ChangeNumber(row.bytes());
      d["files_before"] = OptionalNumber(row.files_before);
      d["files_after"] = OptionalNumber(row.files_after);
      rows.push_back(std::move(d));
    }
    json["directories"] = std::move(rows);
    return DumpHistoryJson(json);
  }
  const Growth& growth = answer.growth;
  json["ranked_by"] = std::string(RankedByName(growth.by));
  AppendScans(growth.older, growth.newer, &json);
  json["bytes_change"] = ChangeNumber(
      ChangeBetween(growth.older.total_bytes, growth.newer.total_bytes));
  json["files_change"] = ChangeNumber(
      ChangeBetween(growth.older.total_files, growth.newer.total_files));
  json["unchanged"] = growth.unchanged;
  HistoryJson rows = HistoryJson::array();
  for (std::size_t i = 0; i < Shown(growth.rows.size(), top); ++i) {
    rows.push_back(RowJson(growth.rows[i]));
  }
  json[growth.by == RankedBy::kGroup ? "groups" : "owners"] = std::move(rows);
  return DumpHistoryJson(json);
}

}  // namespace ovik

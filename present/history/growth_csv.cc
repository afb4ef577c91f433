#include <array>
#include <string>

#include "present/display_name.h"
#include "present/export/csv_export.h"
#include "present/export/export.h"
#include "present/history/growth_export.h"
#include "present/history/history_shown.h"

namespace ovik {
namespace {

void AppendRecord(std::initializer_list<std::string_view> fields,
                  std::string* csv) {
  bool first = true;
  for (std::string_view field : fields) {
    if (!first) *csv += ',';
    *csv += QuoteCsvField(field);
    first = false;
  }
  *csv += "\r\n";
}

std::string Number(std::uint64_t n) { return std::to_string(n); }

std::string OptionalNumber(const std::optional<std::uint64_t>& n) {
  return n ? std::to_string(*n) : std::string();
}

// The compared scans' facts, the same in every record.
constexpr std::string_view kFactColumns =
    "root,older_started,older_complete,newer_started,newer_complete";

std::string FactFields(const ScanFacts& older, const ScanFacts& newer) {
  std::string fields;
  AppendRecord({"", SanitizeName(newer.root), FormatUtcTime(older.started),
                older.complete ? "true" : "false", FormatUtcTime(newer.started),
                newer.complete ? "true" : "false"},
               &fields);
  return fields.substr(0, fields.size() - 2);  // "," and the fields
}

}  // namespace

std::string BuildGrowthCsv(const GrowthAnswer& answer, std::size_t top) {
  std::string csv;
  if (const auto& where = answer.directories) {
    csv =
        "owner_kind,owner_id,owner_name,path,saved_before,saved_after,"
        "bytes_before,bytes_after,bytes_change,files_before,files_after," +
        std::string(kFactColumns) + "\r\n";
    const std::string facts = FactFields(where->older, where->newer);
    const GrowthRow& owner = where->owner;
    for (std::size_t i = 0; i < Shown(where->rows.size(), top); ++i) {
      const DirectoryGrowthRow& row = where->rows[i];
      std::string record;
      AppendRecord(
          {WhoKindName(owner.who.kind), SanitizeName(owner.who.id),
           SanitizeName(owner.name), SanitizeName(row.path),
           row.saved_before ? "true" : "false",
           row.saved_after ? "true" : "false", Number(row.bytes_before),
           Number(row.bytes_after), ShownChange(row.bytes()),
           OptionalNumber(row.files_before), OptionalNumber(row.files_after)},
          &record);
      csv += record.substr(0, record.size() - 2) + facts + "\r\n";
    }
    return csv;
  }
  const Growth& growth = answer.growth;
  csv =
      "ranked_by,kind,id,name,presence,bytes_before,bytes_after,"
      "bytes_change,files_before,files_after,files_change," +
      std::string(kFactColumns) + "\r\n";
  const std::string facts = FactFields(growth.older, growth.newer);
  for (std::size_t i = 0; i < Shown(growth.rows.size(), top); ++i) {
    const GrowthRow& row = growth.rows[i];
    std::string record;
    const std::string_view presence = PresenceName(row.presence);
    AppendRecord({RankedByName(growth.by), WhoKindName(row.who.kind),
                  SanitizeName(row.who.id), SanitizeName(row.name),
                  presence.empty() ? "changed" : presence,
                  Number(row.bytes_before), Number(row.bytes_after),
                  ShownChange(row.bytes()), Number(row.files_before),
                  Number(row.files_after), ShownChange(row.files())},
                 &record);
    csv += record.substr(0, record.size() - 2) + facts + "\r\n";
  }
  return csv;
}

}  // namespace ovik

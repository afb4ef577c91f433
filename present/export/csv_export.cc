#include "present/export/csv_export.h"

#include <array>
#include <cstdint>

#include "present/display_name.h"

namespace ovik {
namespace {

constexpr std::array<std::string_view, 17> kColumns = {"rank",
                                                       "name",
                                                       "id",
                                                       "bytes",
                                                       "files",
                                                       "kb",
                                                       "share_percent",
                                                       "ranked_by",
                                                       "root",
                                                       "volume",
                                                       "volume_total_bytes",
                                                       "volume_free_bytes",
                                                       "started",
                                                       "finished",
                                                       "skipped_directories",
                                                       "unreadable_entries",
                                                       "complete"};

// The owner's bytes by age come last, so that scripts that read the
// columns above by position keep working; their names say which of the
// files' times the ages are of.
constexpr std::array<std::string_view, 3> kModifiedColumns = {
    "bytes_modified_under_30_days", "bytes_modified_under_1_year",
    "bytes_modified_1_year_or_more"};
constexpr std::array<std::string_view, 3> kAccessedColumns = {
    "bytes_accessed_under_30_days", "bytes_accessed_under_1_year",
    "bytes_accessed_1_year_or_more"};

// The owner's columns, empty for the record of a scan that ranked
// nobody.
constexpr std::size_t kOwnerColumns = 7;

// Fields are added after a comma; the record's first field drops it.
void AppendField(std::string_view field, std::string* fields) {
  *fields += ',';
  *fields += QuoteCsvField(field);
}

std::string Number(std::uint64_t n) { return std::to_string(n); }

// A spreadsheet reads a cell that starts with one of these as a formula.
bool StartsFormula(std::string_view text) {
  constexpr std::string_view kFormulaStarts = "=+-@\t\r";
  return !text.empty() &&
         kFormulaStarts.find(text.front()) != std::string_view::npos;
}

// A name or path as |cells| writes it.
std::string TextCell(std::string_view text, CsvCells cells) {
  if (cells == CsvCells::kRaw) return std::string(text);
  std::string shown = SanitizeName(text);
  if (StartsFormula(shown)) shown.insert(shown.begin(), '\'');
  return shown;
}

// The facts' columns, the same for every record.
std::string FactFields(const ExportFacts& facts, CsvCells cells) {
  std::string fields;
  AppendField(RankedByName(facts.ranked_by), &fields);
  AppendField(TextCell(facts.root, cells), &fields);
  AppendField(TextCell(facts.volume, cells), &fields);
  AppendField(facts.space ? Number(facts.space->total_bytes) : "", &fields);
  AppendField(facts.space ? Number(facts.space->free_bytes) : "", &fields);
  AppendField(FormatUtcTime(facts.started), &fields);
  AppendField(FormatUtcTime(facts.finished), &fields);
  AppendField(Number(facts.skipped_directories), &fields);
  AppendField(Number(facts.unreadable_entries), &fields);
  AppendField(facts.complete ? "true" : "false", &fields);
  return fields;
}

std::string OwnerFields(const ExportOwner& owner, const ExportFacts& facts,
                        CsvCells cells) {
  std::string fields;
  AppendField(Number(owner.rank), &fields);
  AppendField(TextCell(owner.name, cells), &fields);
  AppendField(owner.id ? TextCell(*owner.id, cells) : "", &fields);
  AppendField(Number(owner.bytes), &fields);
  AppendField(Number(owner.files), &fields);
  AppendField(Number(owner.kb), &fields);
  AppendField(ShowUsage(owner, facts).share.value_or(""), &fields);
  return fields;
}

std::string AgeFields(const AgeBytes& age) {
  std::string fields;
  AppendField(Number(age.under_30_days), &fields);
  AppendField(Number(age.under_1_year), &fields);
  AppendField(Number(age.older), &fields);
  return fields;
}

}  // namespace

std::string QuoteCsvField(std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    return std::string(field);
  }
  std::string quoted = "\"";
  for (char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::string BuildCsvExport(const ExportData& data, CsvCells cells) {
  std::string header;
  for (std::string_view column : kColumns) AppendField(column, &header);
  for (std::string_view column : data.facts.age_by == AgeBasis::kAccessed
                                     ? kAccessedColumns
                                     : kModifiedColumns) {
    AppendField(column, &header);
  }
  const std::string facts = FactFields(data.facts, cells);

  std::string csv = header.substr(1) + "\r\n";
  if (data.owners.empty()) {
    // Owner columns left empty: one comma fewer than there are columns.
    csv.append(kOwnerColumns - 1, ',');
    csv += facts;
    csv.append(kModifiedColumns.size(), ',');
    csv += "\r\n";
    return csv;
  }
  csv.reserve(data.owners.size() * (facts.size() + 64));
  for (const ExportOwner& owner : data.owners) {
    csv += OwnerFields(owner, data.facts, cells).substr(1);
    csv += facts;
    csv += AgeFields(owner.age);
    csv += "\r\n";
  }
  return csv;
}

}  // namespace ovik

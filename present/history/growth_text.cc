#include <string>

#include "present/display_name.h"
#include "present/export/export.h"
#include "present/history/growth_export.h"
#include "present/history/history_shown.h"
#include "present/usage_text.h"
#include "present/where_lines.h"

namespace ovik {
namespace {

void AppendFields(std::initializer_list<std::string_view> fields,
                  std::string* text) {
  bool first = true;
  for (std::string_view field : fields) {
    if (!first) *text += '\t';
    *text += field;
    first = false;
  }
  *text += '\n';
}

// The lines before the table: what was compared, and how it ended.
void AppendFacts(const ScanFacts& older, const ScanFacts& newer,
                 const Change& bytes, const Change& files, std::size_t changed,
                 std::uint64_t unchanged, std::string* text) {
  AppendFields({"From", FormatUtcTime(older.started), EscapeName(older.root),
                ShownCompleteness(older)},
               text);
  AppendFields({"To", FormatUtcTime(newer.started), EscapeName(newer.root),
                ShownCompleteness(newer)},
               text);
  AppendFields(
      {"Total", ShownSizeChange(bytes), ShownChange(bytes), ShownChange(files)},
      text);
  AppendFields({"Changed", std::to_string(changed)}, text);
  AppendFields({"Unchanged", std::to_string(unchanged)}, text);
}

std::string WhoGrew(const GrowthAnswer& answer, std::size_t top) {
  const Growth& growth = answer.growth;
  const bool groups = growth.by == RankedBy::kGroup;
  std::string text = std::string("Growth by ") + (groups ? "group" : "owner") +
                     " of " + EscapeName(growth.newer.root) + "\n";
  AppendFacts(growth.older, growth.newer,
              ChangeBetween(growth.older.total_bytes, growth.newer.total_bytes),
              ChangeBetween(growth.older.total_files, growth.newer.total_files),
              growth.rows.size(), growth.unchanged, &text);
  AppendFields({"CHANGE", "BYTES", "FILES", "NOW", "ID",
                groups ? "GROUP" : "OWNER", "NOTE"},
               &text);
  for (std::size_t i = 0; i < Shown(growth.rows.size(), top); ++i) {
    const GrowthRow& row = growth.rows[i];
    AppendFields({ShownSizeChange(row.bytes()), ShownChange(row.bytes()),
                  ShownChange(row.files()), FormatSize(row.bytes_after >> 10),
                  EscapeName(ShownWho(row.who)), EscapeName(row.name),
                  PresenceName(row.presence)},
                 &text);
  }
  return text;
}

std::string WhereItGrew(const DirectoryGrowth& growth, std::size_t top) {
  const GrowthRow& owner = growth.owner;
  std::string text = "Growth of " + EscapeName(owner.name) + " (" +
                     EscapeName(ShownWho(owner.who)) + ") under " +
                     EscapeName(growth.newer.root) + "\n";
  AppendFacts(growth.older, growth.newer, owner.bytes(), owner.files(),
              growth.rows.size(), growth.unchanged, &text);
  AppendFields({"CHANGE", "BYTES", "NOW", "PATH", "NOTE"}, &text);
  for (std::size_t i = 0; i < Shown(growth.rows.size(), top); ++i) {
    const DirectoryGrowthRow& row = growth.rows[i];
    std::string_view note;
    if (row.saved_after && !row.saved_before) note = kNewlySaved;
    if (row.saved_before && !row.saved_after) note = kNoLongerSaved;
    AppendFields({ShownSizeChange(row.bytes()), ShownChange(row.bytes()),
                  FormatSize(row.bytes_after >> 10),
                  EscapeName(JoinPath(growth.newer.root, row.path)), note},
                 &text);
  }
  return text;
}

}  // namespace

std::string BuildGrowthText(const GrowthAnswer& answer, std::size_t top) {
  return answer.directories ? WhereItGrew(*answer.directories, top)
                            : WhoGrew(answer, top);
}

}  // namespace ovik

#include "present/history/scan_listing.h"

#include <string_view>

#include "present/display_name.h"
#include "present/export/csv_export.h"
#include "present/export/export.h"
#include "present/history/facts_json.h"
#include "present/history/history_shown.h"
#include "present/usage_text.h"

namespace ovik {
namespace {

void AppendJoined(std::initializer_list<std::string_view> fields,
                  char separator, std::string_view end, bool quote,
                  std::string* out) {
  bool first = true;
  for (std::string_view field : fields) {
    if (!first) *out += separator;
    *out += quote ? QuoteCsvField(field) : std::string(field);
    first = false;
  }
  *out += end;
}

std::string Number(std::uint64_t n) { return std::to_string(n); }

std::string Volume(const ScanFacts& scan) {
  std::string shown = EscapeName(scan.mount_point);
  if (!scan.volume_label.empty()) {
    shown += " (" + EscapeName(scan.volume_label) + ")";
  }
  return shown;
}

}  // namespace

std::string BuildScanListingText(const std::vector<ScanFacts>& scans) {
  std::string text;
  AppendJoined({"STARTED", "PATH", "VOLUME", "METHOD", "THREADS", "COMPLETE",
                "SIZE", "BYTES", "OWNERS"},
               '\t', "\n", false, &text);
  for (const ScanFacts& scan : scans) {
    AppendJoined({FormatUtcTime(scan.started), EscapeName(scan.root),
                  Volume(scan), EscapeName(scan.method), Number(scan.threads),
                  EscapeName(ShownCompleteness(scan)),
                  FormatSize(scan.total_bytes >> 10), Number(scan.total_bytes),
                  Number(scan.owner_count)},
                 '\t', "\n", false, &text);
  }
  return text;
}

std::string BuildScanListingCsv(const std::vector<ScanFacts>& scans) {
  std::string csv =
      "id,started,finished,root,mount_point,volume_label,volume,"
      "root_in_volume,method,threads,complete,skipped_directories,"
      "unreadable_entries,unrecorded_owners,saturated_totals,total_bytes,"
      "total_files,volume_total_bytes,owners,groups\r\n";
  for (const ScanFacts& scan : scans) {
    AppendJoined({std::to_string(scan.id),
                  FormatUtcTime(scan.started),
                  FormatUtcTime(scan.finished),
                  SanitizeName(scan.root),
                  SanitizeName(scan.mount_point),
                  SanitizeName(scan.volume_label),
                  SanitizeName(scan.series.volume),
                  SanitizeName(scan.series.root_in_volume),
                  SanitizeName(scan.method),
                  Number(scan.threads),
                  scan.complete ? "true" : "false",
                  Number(scan.missing.skipped_directories),
                  Number(scan.missing.unreadable_entries),
                  Number(scan.missing.unrecorded_owners),
                  Number(scan.missing.saturated_totals),
                  Number(scan.total_bytes),
                  Number(scan.total_files),
                  scan.capacity_bytes ? Number(*scan.capacity_bytes) : "",
                  Number(scan.owner_count),
                  Number(scan.group_count)},
                 ',', "\r\n", true, &csv);
  }
  return csv;
}

std::string BuildScanListingJson(const std::vector<ScanFacts>& scans) {
  HistoryJson list = HistoryJson::array();
  for (const ScanFacts& scan : scans) list.push_back(ScanFactsJson(scan));
  HistoryJson json = HistoryJson::object();
  json["scans"] = std::move(list);
  return DumpHistoryJson(json);
}

}  // namespace ovik

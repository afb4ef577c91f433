#include "present/history/facts_json.h"

#include "present/export/export.h"
#include "present/utf8.h"

namespace ovik {

std::string JsonText(std::string_view bytes) {
  return EncodeUtf8(DecodeUtf8(bytes));
}

HistoryJson ScanFactsJson(const ScanFacts& facts) {
  HistoryJson json = HistoryJson::object();
  json["id"] = facts.id;
  json["started"] = FormatUtcTime(facts.started);
  json["finished"] = FormatUtcTime(facts.finished);
  json["root"] = JsonText(facts.root);
  json["mount_point"] = JsonText(facts.mount_point);
  json["volume_label"] = JsonText(facts.volume_label);
  json["volume"] = JsonText(facts.series.volume);
  json["root_in_volume"] = JsonText(facts.series.root_in_volume);
  json["method"] = JsonText(facts.method);
  json["threads"] = facts.threads;
  json["complete"] = facts.complete;
  json["skipped_directories"] = facts.missing.skipped_directories;
  json["unreadable_entries"] = facts.missing.unreadable_entries;
  json["unrecorded_owners"] = facts.missing.unrecorded_owners;
  json["saturated_totals"] = facts.missing.saturated_totals;
  json["total_bytes"] = facts.total_bytes;
  json["total_files"] = facts.total_files;
  json["volume_total_bytes"] = facts.capacity_bytes
                                   ? HistoryJson(*facts.capacity_bytes)
                                   : HistoryJson(nullptr);
  json["owners"] = facts.owner_count;
  json["groups"] = facts.group_count;
  return json;
}

std::string DumpHistoryJson(const HistoryJson& json) {
  return json.dump(2, ' ', /*ensure_ascii=*/true,
                   HistoryJson::error_handler_t::replace) +
         "\n";
}

}  // namespace ovik
